// glintwork --check: no window, no display; every place named as editors
// read it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/e2e/AppRun.h"

namespace glintwork {

namespace {

// The example's room: plane 20 on line 1, its points on lines 2 to 6, the
// five materials on lines 7 to 11.
const std::string RoomBlock = DefaultScene().substr(DefaultScene().find("plane 20"));

// Runs --check on `files` (written into the run's folder first) without a
// display; returns the status, standard error and standard output.
int Check(const std::vector<std::pair<std::string, std::string>>& files, const std::vector<std::string>& names,
          std::string& errors, std::string& output)
{
    std::vector<std::string> arguments{"--check"};
    arguments.insert(arguments.end(), names.begin(), names.end());
    AppRun app("", false, {"DISPLAY"}, [&](const std::string& folder) {
        for (const auto& file : files)
            std::ofstream(folder + "/" + file.first) << file.second;
    }, arguments);
    const int status = app.WaitExit();
    errors = app.Stderr();
    output = ReadWholeFile(app.Folder() + "/stdout.txt");
    return status;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace

// The broken scenes a new user wrote, each named at the line and column to fix.
TEST(Check, BrokenScenesNameTheirPlace)
{
    std::string wall = RoomBlock;
    wall.replace(wall.find("0.20"), 4, "0.2O");
    const struct {
        std::string name, script;
        bool usable;
        // Their starts, after "NAME:"; "> " and the line in full for a line
        // that shows the scene.
        std::vector<std::string> messages;
    } cases[] = {
        // One error where reading stopped, saying what follows from it; the
        // mistakes after it as notes.
        {"letter-o.txt", "screen 640 480\nsphere 1\n  0 0 -2O 3\nlihgt 2\n" + RoomBlock, false,
         {"3:7: error: reading stopped: \"sphere\" entry 1 of 1, z: expected a number, found \"-2O\" (its \"-2\" is "
          "read; the rest, \"O\", read as \"sphere\" entry 1 of 1, radius, is not a number); the room needs 20 plane "
          "points, and none were read before this place",
          ">   0 0 -2O 3", ">       ^",
          "4:1: note: \"lihgt\" is skipped; did you mean \"light\"? (not read, because reading stopped at 3:7)",
          "> lihgt 2", "> ^"}},
        {"empty.txt", "", false, {"1:1: error: the room needs 20 plane points, but the file is empty"}},
        // No depth limit and no lights: the picture would be empty, and black.
        {"wall.txt", "screen 640 480\n" + wall, true,
         {"8:3: warning: reading stopped: \"plane\" material 1 of 5 (left wall), ambient red: expected a number, "
          "found \"0.2O\"",
          ">   0.2O 0.20 0.20   0.55 0.55 0.55   0.20 0.20 0.20   10", ">   ^",
          " warning: the depth limit 0 hides everything", " warning: the scene has no lights"}},
    };
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> names, usable;
    for (const auto& c : cases) {
        files.emplace_back(c.name, c.script);
        names.push_back(c.name);
        if (c.usable)
            usable.push_back(c.name);
    }
    std::string errors, output;
    EXPECT_EQ(Check(files, names, errors, output), 1);
    const std::vector<std::string> lines = Lines(errors), summaries = Lines(output);
    std::size_t next = 0;  // the messages come file by file, in order
    ASSERT_EQ(summaries.size(), names.size()) << output;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto& c = cases[i];
        for (const std::string& message : c.messages) {
            ASSERT_LT(next, lines.size()) << errors;
            if (message.compare(0, 2, "> ") == 0)
                EXPECT_EQ(lines[next], message.substr(2));
            else
                EXPECT_EQ(lines[next].substr(0, c.name.size() + 1 + message.size()), c.name + ":" + message);
            ++next;
        }
        EXPECT_EQ(summaries[i].rfind(c.name + (c.usable ? ": can be used: " : ": cannot be used: "), 0), 0u)
            << summaries[i];
    }
    EXPECT_EQ(next, lines.size()) << errors;

    // Scenes that can be used, however many warnings: status 0.
    EXPECT_EQ(Check(files, usable, errors, output), 0);
    // A file that is not there.
    EXPECT_EQ(Check({}, {"absent.txt"}, errors, output), 1);
    EXPECT_EQ(errors, "glintwork: absent.txt: No such file or directory\n");
    EXPECT_EQ(output, "absent.txt: cannot be used: No such file or directory\n");
}

}  // namespace glintwork
