// A watched scene from the outside: edits, broken saves, the scene's folder
// moved away, a FIFO in its place, and many saves in a row. (Which changes
// count is checked on the watcher itself.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/e2e/AppRun.h"

namespace glintwork {

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

// An edit shows as the frame a fresh start on the edited scene gives, with
// the view, the pair and the switches kept; a broken save keeps the picture.
// Under --watch frames are drawn only when something changed, so the test
// waits for the picture itself.
TEST(Watch, ReloadsEditsKeepsTheLastGoodSceneAndNeverHangs)
{
    const auto keyed = [](const std::string& scene) {
        AppRun fresh(scene);
        EXPECT_TRUE(fresh.WaitForWindow());
        fresh.Send("key u r");
        return fresh.Settle();
    };
    const Image before = keyed(DefaultScene()), expected = keyed(SceneOfWidth(400));
    ASSERT_EQ(before.Width(), 640);
    ASSERT_EQ(expected.Width(), 400);

    const auto prepare = [](const std::string& d) {
        ASSERT_EQ(std::system(("mkdir '" + d + "/sc'").c_str()), 0);
        std::ofstream(d + "/sc/scene.txt") << DefaultScene();
    };
    AppRun app("", false, {}, prepare, {"sc/scene.txt", "--watch"});
    ASSERT_TRUE(app.WaitForWindow());
    app.Send("key u r");
    const auto shows = [&](const Image& picture) {
        return app.WaitUntil([&] { return SameFrame(app.Frame(), picture); });
    };
    const auto run = [&](const std::string& command) {
        return std::system(("cd '" + app.Folder() + "' && " + command).c_str());
    };
    EXPECT_TRUE(shows(before));
    // The title says when the file's latest version is not what is shown.
    const std::string title = "Glintwork — scene.txt — pair, reflections off";
    const auto titled = [&](const std::string& what) {
        const std::string expected = what.empty() ? title : title + " — " + what + ", last good scene shown";
        return app.WaitUntil([&] { return app.Title() == expected; });
    };
    EXPECT_TRUE(titled("")) << app.Title();
    const std::string scene = app.Folder() + "/sc/scene.txt";
    std::ofstream(scene + ".new") << SceneOfWidth(400);
    ASSERT_EQ(std::rename((scene + ".new").c_str(), scene.c_str()), 0);
    EXPECT_TRUE(shows(expected));

    // A broken save: one line on standard error, the picture stays.
    std::ofstream(scene) << "screen 0 0 plane 20" << DefaultScene().substr(DefaultScene().find("plane 20") + 8);
    ASSERT_TRUE(app.WaitUntil([&] { return app.Stderr().find("screen size") != std::string::npos; }));
    EXPECT_TRUE(SameFrame(app.Frame(), expected));
    const std::string message = app.Stderr();
    EXPECT_EQ(message.rfind("glintwork: sc/scene.txt reloaded (3 spheres, 2 lights)\n"
                            "sc/scene.txt:1:1: error: the screen size 0 x 0",
                            0),
              0u)
        << message;
    EXPECT_NE(message.find("; the last good scene stays\n"), std::string::npos) << message;
    EXPECT_NE(message.find("; the last good scene stays\nscreen 0 0 plane 20\n^\n"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 4) << message;
    EXPECT_TRUE(titled("scene.txt:1:1: error")) << app.Title();

    // Each step puts the next version (written first to `next`, beside the
    // folder sc) in place by shell commands; `then` runs once `said` is on
    // standard error.
    int width = 400;
    const struct {
        const char* command;
        const char* said = nullptr;
        const char* then = nullptr;
        const char* title = "";  // what the title adds once `said` is
    } steps[] = {
        {"cat next > sc/scene.txt"},
        // The folder moved away, then made whole elsewhere and put back.
        {"mv sc sc.1", "glintwork: sc: the folder was moved or deleted; watching for it to come back\n",
         "mkdir sc.new && cp next sc.new/scene.txt && mv sc.new sc", "scene.txt missing"},
        {"mkfifo sc/fifo && mv sc/fifo sc/scene.txt",
         "glintwork: sc/scene.txt: not a regular file; the last good scene stays\n",
         "cp next sc/scene.txt.new && mv sc/scene.txt.new sc/scene.txt", "scene.txt: error"},
        {"rm sc/scene.txt", "glintwork: sc/scene.txt: No such file or directory; the last good scene stays\n",
         "cp next sc/scene.txt", "scene.txt missing"},
    };
    const auto showsWidth = [&](int w) { return app.WaitUntil([&] { return app.Frame().Width() == w; }); };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        std::ofstream(app.Folder() + "/next") << SceneOfWidth(width += 4);
        ASSERT_EQ(run(step.command), 0);
        if (step.said) {
            ASSERT_TRUE(app.WaitUntil([&] { return app.Stderr().find(step.said) != std::string::npos; }));
            EXPECT_TRUE(titled(step.title)) << app.Title();
            ASSERT_EQ(run(step.then), 0);
        }
        ASSERT_TRUE(showsWidth(width));
        EXPECT_TRUE(titled("")) << app.Title();
    }
    // 200 saves in a row: the last one wins.
    for (int i = 0; i < 200; ++i) {
        std::ofstream(scene + ".new") << SceneOfWidth(++width);
        ASSERT_EQ(std::rename((scene + ".new").c_str(), scene.c_str()), 0);
    }
    EXPECT_TRUE(showsWidth(width));
    app.Send("key Escape");
    EXPECT_EQ(app.WaitExit(), 0);

    // Nothing was read half-way: every line is a reload, news of the folder
    // (said once each time), the broken save's, the FIFO's or the deleted
    // file's refusal, each said once.
    EXPECT_NE(app.Stderr().find("glintwork: sc: the folder is back; watching it again\n"), std::string::npos);
    std::istringstream lines(app.Stderr());
    int reloads = 0, refusals = 0;
    for (std::string line; std::getline(lines, line);) {
        reloads += line == "glintwork: sc/scene.txt reloaded (3 spheres, 2 lights)";
        refusals += line.find("the last good scene stays") != std::string::npos;
        // The broken save's error shows its line.
        EXPECT_TRUE(line.find("reloaded") != std::string::npos || line.find("glintwork: sc: the folder ") == 0 ||
                    line.find("the last good scene stays") != std::string::npos || line == "screen 0 0 plane 20" ||
                    line == "^")
            << line;
    }
    EXPECT_GE(reloads, 5);
    EXPECT_EQ(refusals, 3);
}

// A scene renamed onto the frame file's name while it is watched is not
// written over: the frame is skipped, with one warning, and tracing goes on.
TEST(Watch, NeverWritesAFrameOverTheScene)
{
    const auto prepare = [](const std::string& d) { std::ofstream(d + "/scene.txt") << DefaultScene(); };
    AppRun app("", false, {}, prepare, {"scene.txt", "--watch"});
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitUntil([&] { return app.FrameExists(); }));
    ASSERT_EQ(std::rename((app.Folder() + "/scene.txt").c_str(), (app.Folder() + "/screenShot.bmp").c_str()), 0);
    app.Send("key u");  // a frame
    ASSERT_TRUE(app.WaitUntil([&] { return app.Stderr().find("goes on\n") != std::string::npos; }));
    app.Send("key Escape");
    EXPECT_EQ(app.WaitExit(), 0);
    const std::string said = app.Stderr();
    const std::string warning = "glintwork: warning: cannot write screenShot.bmp: it is the scene scene.txt, renamed; "
                                "frames are not written over it and tracing goes on\n";
    ASSERT_NE(said.find(warning), std::string::npos) << said;
    // The scene's own name is gone too, which the watch says once.
    const std::string rest = std::string(said).erase(said.find(warning), warning.size());
    EXPECT_TRUE(rest.empty() || rest == "glintwork: scene.txt: No such file or directory; the last good scene stays\n")
        << said;
    EXPECT_EQ(ReadWholeFile(app.Folder() + "/screenShot.bmp"), DefaultScene());
}

}  // namespace glintwork
