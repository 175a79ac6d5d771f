// What the program prints about a scene: the lines editors jump from.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

#include "app/SceneReport.h"

TEST(SceneReport, EveryPlaceIsInTheFormEditorsJumpTo)
{
    char folder[] = "/tmp/glintwork-report-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/room.txt";
    std::ofstream(path) << "screen 640 480\n\t# a warm light from the top\nSphere 1 0 0 -5 1\n";

    Scene scene;
    const SceneReport report = ReadSceneForTracing(path, true, scene);
    EXPECT_EQ(report.status, Scene::Status::Unusable);
    const std::vector<std::string> expected = {
        path + ":2:11: warning: \"light\" is read as a keyword on what looks like a comment line: '#' starts "
        "no comment, only words that are not keywords are skipped",
        path + ":2:17: warning: reading stopped: \"light\" count: expected a number, found \"from\"; what "
        "came before is used",
        path + ":2:17: error: the room needs 20 plane points, but reading stopped here, before any were read "
        "(\"light\" count: expected a number, found \"from\")",
    };
    EXPECT_EQ(report.messages, expected);
    EXPECT_EQ(report.summary, path + ": cannot be used: screen 640 x 480, depth limit 0, 0 spheres, 0 "
                              "lights, 0 plane points; reading stopped at line 2, column 17");

    // Vim's errorformat "%f:%l:%c:%m" (its %f is the shortest match) and the
    // usual editor problem matcher take file, line and column from every
    // line, and no line names a place but at its start (Vim's "%f:%l:%m"
    // would make a file name of what comes before it).
    const std::regex vim("^(.+?):(\\d+):(\\d+):(.*)$");
    const std::regex matcher("^(.*):(\\d+):(\\d+):\\s+(warning|error):\\s+(.*)$");
    const std::regex placeLater(".:\\d+:");
    for (const std::string& message : report.messages) {
        std::smatch v, m;
        ASSERT_TRUE(std::regex_match(message, v, vim)) << message;
        ASSERT_TRUE(std::regex_match(message, m, matcher)) << message;
        EXPECT_EQ(v[1], path);
        EXPECT_EQ(m[1], path);
        EXPECT_EQ(v[2], "2");
        EXPECT_EQ(m[2], "2");
        EXPECT_EQ(m[3], v[3]);
        EXPECT_FALSE(std::regex_search(message.substr(path.size() + 1 + v[2].length() + 1 + v[3].length() + 1), placeLater))
            << message;
    }
    EXPECT_EQ(std::regex_replace(report.messages[2], matcher, "$4"), "error");

    std::remove(path.c_str());
    rmdir(folder);
}
