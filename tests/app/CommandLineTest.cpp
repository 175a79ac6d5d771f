#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ExitStatus.h"
#include "app/Settings.h"

namespace glintwork {

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
        {{"--frames"}, A::Misused, "scenescript.txt", false, 0},  // its forms: see GLINTWORK_FRAMES below
        {{"a.txt", "b.txt"}, A::Misused, "a.txt", false, 0},
        {{"--keys", "uR<>", "--output=a.png"}, A::Trace, "scenescript.txt", false, 0},
        {{"--keys="}, A::Misused, "scenescript.txt", false, 0},
        {{"--keys", "u x"}, A::Misused, "scenescript.txt", false, 0},
        {{"--output", ""}, A::Misused, "scenescript.txt", false, 0},
        {{"--keysu"}, A::Misused, "scenescript.txt", false, 0},
        {{"a.txt", "--check", "b.txt"}, A::Check, "a.txt", false, 0},
        {{"--check"}, A::Check, "scenescript.txt", false, 0},
        {{"--check", "a.txt", "--watch"}, A::Misused, "a.txt", false, 0},
        {{"--frames=2", "--check"}, A::Misused, "a.txt", false, 0},
        {{"--check", "--output=a.png"}, A::Misused, "a.txt", false, 0},
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
    // --check takes every SCENE (checked from outside), or the default one.
    const char* checkDefault[] = {"glintwork", "--check"};
    EXPECT_EQ(ParseCommandLine(2, checkDefault).scenes, std::vector<std::string>{"scenescript.txt"});
}

namespace {

std::map<std::string, const char*> environment;

const char* Lookup(const char* name)
{
    const auto found = environment.find(name);
    return found == environment.end() ? nullptr : found->second;
}

}  // namespace

// Each variable alone: what it sets, or the line that refuses it.
TEST(Settings, EveryVariableIsCheckedAsTheOptionsAre)
{
    const struct {
        const char* name;
        const char* value;
        const char* error;  // "" when taken
        long frames = 0;
        unsigned threads = 0;
        FramePath path = FramePath::Fast;
        const char* isa = "";
    } cases[] = {
        {"GLINTWORK_FRAMES", "", ""},  // empty: unset
        {"GLINTWORK_FRAMES", "12", "", 12},
        {"GLINTWORK_FRAMES", "x", "GLINTWORK_FRAMES=\"x\": expected a whole number of frames from 1"},
        {"GLINTWORK_FRAMES", "0", "GLINTWORK_FRAMES=\"0\""},
        {"GLINTWORK_FRAMES", "1e3", "GLINTWORK_FRAMES=\"1e3\""},
        {"GLINTWORK_FRAMES", " 3", "GLINTWORK_FRAMES=\" 3\""},
        {"GLINTWORK_FRAMES", "99999999999999999999", "GLINTWORK_FRAMES="},
        {"GLINTWORK_THREADS", "64", "", 0, 64},
        {"GLINTWORK_THREADS", "65", "GLINTWORK_THREADS=\"65\": expected a whole number of threads from 1 to 64"},
        {"GLINTWORK_THREADS", "0", "GLINTWORK_THREADS=\"0\""},
        {"GLINTWORK_THREADS", "+2", "GLINTWORK_THREADS=\"+2\""},
        {"GLINTWORK_PATH", "reference", "", 0, 0, FramePath::Reference},
        {"GLINTWORK_PATH", "fast", ""},
        {"GLINTWORK_PATH", "Reference", "GLINTWORK_PATH=\"Reference\": expected reference or fast"},
        {"GLINTWORK_ISA", "avx512", "", 0, 0, FramePath::Fast, "avx512"},
        {"GLINTWORK_ISA", "sse2", "GLINTWORK_ISA=\"sse2\": expected plain, sse4, avx2 or avx512"},
    };
    for (const auto& c : cases) {
        environment = {{c.name, c.value}};
        Settings settings;
        std::string error;
        const bool taken = ReadSettings(Lookup, settings, error);
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        EXPECT_EQ(taken, !*c.error);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        if (!taken)
            continue;
        EXPECT_EQ(settings.frames, c.frames);
        EXPECT_EQ(settings.threads, c.threads);
        EXPECT_EQ(settings.path, c.path);
        EXPECT_EQ(settings.instructionSet, c.isa);
    }
}

// --help and the README's table both come from the one list of statuses.
TEST(ExitStatus, HelpAndTheReadmeTableListEveryStatus)
{
    std::ifstream file(GLINTWORK_README);
    std::stringstream readme;
    readme << file.rdbuf();
    const std::string help = HelpText();
    int count = 0;
    const ExitStatusMeaning* list = ExitStatuses(count);
    ASSERT_GE(count, 5);
    std::string table;
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(list[i].status, i);
        table += "| " + std::to_string(list[i].status) + " | " + list[i].meaning + " |\n";
        EXPECT_NE(help.find("  " + std::to_string(list[i].status) + "  " + list[i].meaning + "\n"), std::string::npos);
    }
    EXPECT_NE(readme.str().find("| Status | Meaning |\n|---|---|\n" + table), std::string::npos)
        << "README.md's exit status table should read:\n" << table;
}

}  // namespace glintwork
