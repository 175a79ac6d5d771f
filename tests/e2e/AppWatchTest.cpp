// The watch from outside: every way a scene is saved or swapped reaches the
// window, nothing hangs it, and the last of many saves is what it shows.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
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

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

void Rename(const std::string& from, const std::string& to)
{
    ASSERT_EQ(std::rename(from.c_str(), to.c_str()), 0) << from;
}

void RenameSave(const std::string& path, const std::string& text)
{
    Write(path + ".new", text);
    Rename(path + ".new", path);
}

// Points `at` to `target` at once, as `ln -sfn` does.
void Relink(const std::string& target, const std::string& at)
{
    ASSERT_EQ(symlink(target.c_str(), (at + ".link").c_str()), 0);
    Rename(at + ".link", at);
}

}  // namespace

TEST(Watch, FollowsEverySaveAndNeverHangs)
{
    int width = 200;  // each version is wider than the one before
    const auto prepare = [&](const std::string& d) {
        mkdir((d + "/sc").c_str(), 0700);
        mkdir((d + "/real").c_str(), 0700);
        Write(d + "/sc/scene.txt", SceneOfWidth(width));
    };
    AppRun app("", false, {}, prepare, {"sc/scene.txt", "--watch"});
    ASSERT_TRUE(app.WaitForWindow());
    const std::string d = app.Folder();
    const auto shows = [&](int w) { return app.WaitUntil([&] { return app.Frame().Width() == w; }); };
    const auto says = [&](const std::string& text) {
        return app.WaitUntil([&] { return app.Stderr().find(text) != std::string::npos; });
    };
    ASSERT_TRUE(shows(width));

    const struct {
        const char* name;
        std::function<void(const std::string& text)> save;
    } steps[] = {
        {"rename save", [&](auto& text) { RenameSave(d + "/sc/scene.txt", text); }},
        {"in-place save", [&](auto& text) { Write(d + "/sc/scene.txt", text); }},
        {"a link put in place",
         [&](auto& text) {
             Write(d + "/real/a.txt", text);
             Relink("../real/a.txt", d + "/sc/scene.txt");
         }},
        {"link target saved in place", [&](auto& text) { Write(d + "/real/a.txt", text); }},
        {"link target saved by rename", [&](auto& text) { RenameSave(d + "/real/a.txt", text); }},
        {"link replaced",
         [&](auto& text) {
             Write(d + "/real/b.txt", text);
             Relink("../real/b.txt", d + "/sc/scene.txt");
         }},
        {"new target saved", [&](auto& text) { RenameSave(d + "/real/b.txt", text); }},
        {"folder moved away, then made again",
         [&](auto& text) {
             Rename(d + "/sc", d + "/sc.1");
             ASSERT_TRUE(says("glintwork: sc: the folder was moved or deleted; watching for it to come back\n"));
             // Made whole elsewhere: a file being written is not a version.
             mkdir((d + "/sc.new").c_str(), 0700);
             Write(d + "/sc.new/scene.txt", text);
             Rename(d + "/sc.new", d + "/sc");
             EXPECT_TRUE(says("glintwork: sc: the folder is back; watching it again\n"));
         }},
        {"folder replaced",
         [&](auto& text) {
             mkdir((d + "/sc.new").c_str(), 0700);
             Write(d + "/sc.new/scene.txt", text);
             Rename(d + "/sc", d + "/sc.2");
             Rename(d + "/sc.new", d + "/sc");
         }},
        {"FIFO swapped in, then a save",
         [&](auto& text) {
             ASSERT_EQ(mkfifo((d + "/sc/fifo").c_str(), 0600), 0);
             Rename(d + "/sc/fifo", d + "/sc/scene.txt");
             ASSERT_TRUE(says("glintwork: sc/scene.txt: not a regular file; the last good scene stays\n"));
             RenameSave(d + "/sc/scene.txt", text);
         }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        width += 4;
        step.save(SceneOfWidth(width));
        ASSERT_TRUE(shows(width));
    }
    // 200 saves in a row: the last one wins.
    for (int i = 0; i < 200; ++i)
        RenameSave(d + "/sc/scene.txt", SceneOfWidth(++width));
    EXPECT_TRUE(shows(width));
    app.Send("key Escape");
    EXPECT_EQ(app.WaitExit(), 0);

    // Nothing was read half-way: every line is a reload, news of the folder
    // (said once each time) or the FIFO's refusal.
    std::istringstream lines(app.Stderr());
    int reloads = 0, refusals = 0;
    for (std::string line; std::getline(lines, line);) {
        reloads += line == "glintwork: sc/scene.txt reloaded (3 spheres, 2 lights)";
        refusals += line.find("not a regular file") != std::string::npos;
        EXPECT_TRUE(line.find("reloaded") != std::string::npos || line.find("glintwork: sc: the folder ") == 0 ||
                    line.find("not a regular file") != std::string::npos)
            << line;
    }
    EXPECT_GE(reloads, 11);
    EXPECT_EQ(refusals, 1);
}
