// Every way a scene is saved or swapped reaches the window, nothing hangs it,
// and the last of many saves is what it shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/e2e/AppRun.h"

namespace {

// The default scene with a screen `width` wide: the frame's width tells
// which version the window shows.
std::string SceneOfWidth(int width)
{
    std::string scene = DefaultScene();
    scene.replace(scene.find("screen 640 480"), 14, "screen " + std::to_string(width) + " 120");
    return scene;
}

}  // namespace

// Each step puts the next version (written first to `next`, beside the
// folder sc) in place by shell commands run in the program's folder; "mv -T"
// swaps a name in one rename, as editors do. `then` runs once `said` is on
// standard error.
TEST(Watch, FollowsEverySaveAndNeverHangs)
{
    int width = 200;  // each version is wider than the one before
    const auto prepare = [&](const std::string& d) {
        ASSERT_EQ(std::system(("mkdir '" + d + "/sc' '" + d + "/real'").c_str()), 0);
        std::ofstream(d + "/sc/scene.txt") << SceneOfWidth(width);
    };
    AppRun app("", false, {}, prepare, {"sc/scene.txt", "--watch"});
    ASSERT_TRUE(app.WaitForWindow());
    const auto shows = [&](int w) { return app.WaitUntil([&] { return app.Frame().Width() == w; }); };
    const auto run = [&](const std::string& command) {
        return std::system(("cd '" + app.Folder() + "' && " + command).c_str());
    };
    ASSERT_TRUE(shows(width));

    const struct {
        const char* command;
        const char* said = nullptr;
        const char* then = nullptr;
    } steps[] = {
        {"cp next sc/scene.txt.new && mv sc/scene.txt.new sc/scene.txt"},
        {"cat next > sc/scene.txt"},
        {"cp next real/a.txt && ln -s ../real/a.txt sc/scene.txt.link && mv -T sc/scene.txt.link sc/scene.txt"},
        {"cp next real/b.txt && ln -s ../real/b.txt sc/scene.txt.link && mv -T sc/scene.txt.link sc/scene.txt"},
        {"cp next real/b.txt.new && mv real/b.txt.new real/b.txt"},
        // The folder moved away, then made whole elsewhere and put back.
        {"mv sc sc.1", "glintwork: sc: the folder was moved or deleted; watching for it to come back\n",
         "mkdir sc.new && cp next sc.new/scene.txt && mv sc.new sc"},
        {"mkdir sc.new && cp next sc.new/scene.txt && mv sc sc.2 && mv sc.new sc"},
        {"mkfifo sc/fifo && mv sc/fifo sc/scene.txt",
         "glintwork: sc/scene.txt: not a regular file; the last good scene stays\n",
         "cp next sc/scene.txt.new && mv sc/scene.txt.new sc/scene.txt"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        width += 4;
        std::ofstream(app.Folder() + "/next") << SceneOfWidth(width);
        ASSERT_EQ(run(step.command), 0);
        if (step.said) {
            ASSERT_TRUE(app.WaitUntil([&] { return app.Stderr().find(step.said) != std::string::npos; }));
            ASSERT_EQ(run(step.then), 0);
        }
        ASSERT_TRUE(shows(width));
    }
    // 200 saves in a row: the last one wins.
    const std::string scene = app.Folder() + "/sc/scene.txt";
    for (int i = 0; i < 200; ++i) {
        std::ofstream(scene + ".new") << SceneOfWidth(++width);
        ASSERT_EQ(std::rename((scene + ".new").c_str(), scene.c_str()), 0);
    }
    EXPECT_TRUE(shows(width));
    app.Send("key Escape");
    EXPECT_EQ(app.WaitExit(), 0);

    // Nothing was read half-way: every line is a reload, news of the folder
    // (said once each time) or the FIFO's refusal.
    EXPECT_NE(app.Stderr().find("glintwork: sc: the folder is back; watching it again\n"), std::string::npos);
    std::istringstream lines(app.Stderr());
    int reloads = 0, refusals = 0;
    for (std::string line; std::getline(lines, line);) {
        reloads += line == "glintwork: sc/scene.txt reloaded (3 spheres, 2 lights)";
        refusals += line.find("not a regular file") != std::string::npos;
        EXPECT_TRUE(line.find("reloaded") != std::string::npos || line.find("glintwork: sc: the folder ") == 0 ||
                    line.find("not a regular file") != std::string::npos)
            << line;
    }
    EXPECT_GE(reloads, 9);
    EXPECT_EQ(refusals, 1);
}
