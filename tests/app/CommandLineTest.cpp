#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

TEST(CommandLine, ParsesSceneAndOptionsInAnyOrder)
{
    using A = CommandLine::Action;
    const struct {
        std::vector<const char*> arguments;  // after the program name
        A action;
        const char* scene;
        bool watch;
        long frames;
    } cases[] = {
        {{}, A::Trace, "scenescript.txt", false, 0},
        {{"room.txt", "--watch"}, A::Trace, "room.txt", true, 0},
        {{"--frames", "12", "room.txt"}, A::Trace, "room.txt", false, 12},
        {{"--frames=3", "--watch"}, A::Trace, "scenescript.txt", true, 3},
        {{"--", "--watch"}, A::Trace, "--watch", false, 0},  // a scene whose name starts with '-'
        {{"-"}, A::Trace, "-", false, 0},
        {{"--bogus", "--help"}, A::Misused, "scenescript.txt", false, 0},
        {{"room.txt", "--help", "--bogus"}, A::Help, "room.txt", false, 0},
        {{"--version"}, A::Version, "scenescript.txt", false, 0},
        {{"--frames"}, A::Misused, "scenescript.txt", false, 0},
        {{"--frames", "-1"}, A::Misused, "scenescript.txt", false, 0},
        {{"--frames=+2"}, A::Misused, "scenescript.txt", false, 0},
        {{"--frames=2x"}, A::Misused, "scenescript.txt", false, 0},
        {{"--frames", "99999999999999999999"}, A::Misused, "scenescript.txt", false, 0},
        {{"a.txt", "b.txt"}, A::Misused, "a.txt", false, 0},
        {{"a.txt", "--check", "b.txt"}, A::Check, "a.txt", false, 0},
        {{"--check"}, A::Check, "scenescript.txt", false, 0},
        {{"--check", "a.txt", "--watch"}, A::Misused, "a.txt", false, 0},
        {{"--frames=2", "--check"}, A::Misused, "a.txt", false, 0},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"glintwork"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        const std::string label = c.arguments.empty() ? "(none)" : c.arguments[0];
        EXPECT_EQ(line.action, c.action) << label;
        EXPECT_EQ(line.action == A::Misused, !line.error.empty()) << label;
        if (line.action == A::Misused)
            continue;
        EXPECT_EQ(line.scene, c.scene) << label;
        EXPECT_EQ(line.sceneNamed, !c.arguments.empty() && line.scene != "scenescript.txt") << label;
        EXPECT_EQ(line.watch, c.watch) << label;
        EXPECT_EQ(line.frames, c.frames) << label;
    }
    // --check takes every SCENE, or the default one.
    const char* check[] = {"glintwork", "a.txt", "--check", "b.txt"};
    EXPECT_EQ(ParseCommandLine(4, check).scenes, (std::vector<std::string>{"a.txt", "b.txt"}));
    const char* checkDefault[] = {"glintwork", "--check"};
    EXPECT_EQ(ParseCommandLine(2, checkDefault).scenes, std::vector<std::string>{"scenescript.txt"});
}
