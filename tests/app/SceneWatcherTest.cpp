// The watch on a scene file, without a window: every change happens before
// Changed() is asked, so what the kernel queued is all there is to see.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/SceneWatcher.h"

namespace {

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

// As editors save: a new file renamed over the old one.
void RenameSave(const std::string& path, const std::string& text)
{
    Write(path + ".new", text);
    ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}

// Points `at` to `target` at once, as `ln -sfn` does.
void Relink(const std::string& target, const std::string& at)
{
    ASSERT_EQ(symlink(target.c_str(), (at + ".link").c_str()), 0);
    ASSERT_EQ(std::rename((at + ".link").c_str(), at.c_str()), 0);
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

}  // namespace

// Each case starts from sc/scene.txt (a file, or a link to real/a.txt) and
// goes through its steps; after each, Changed() and the notices are checked.
// (The saves that reach the window are tested end to end; here, what must not
// count and what is said about the folders.)
TEST(SceneWatcher, FollowsLinksAndFoldersAndIgnoresTheRest)
{
    using Act = std::function<void(const std::string& d)>;
    struct Step {
        Act act;
        bool changed;
        const char* notice;  // part of the notices ("" for none)
    };
    const struct {
        const char* name;
        bool link;
        std::vector<Step> steps;
    } cases[] = {
        {"another file", false, {{[](auto& d) { RenameSave(d + "/sc/other.txt", "b"); }, false, ""}}},
        {"link replaced", true,
         {{[](auto& d) { Relink("../real/b.txt", d + "/sc/scene.txt"); }, true, ""},
          {[](auto& d) { Write(d + "/real/a.txt", "b"); }, false, ""},
          {[](auto& d) { Write(d + "/real/b.txt", "b"); }, true, ""}}},
        {"link made anew", false,
         {{[](auto& d) {
               std::remove((d + "/sc/scene.txt").c_str());
               symlink("../real/b.txt", (d + "/sc/scene.txt").c_str());
           },
           true, ""},
          {[](auto& d) { Write(d + "/real/b.txt", "b"); }, true, ""}}},
        {"folder replaced", true,
         {{[](auto& d) {
               std::rename((d + "/sc").c_str(), (d + "/sc.old").c_str());
               mkdir((d + "/sc").c_str(), 0700);
               Write(d + "/sc/scene.txt", "b");
           },
           true, "sc: the folder was replaced; watching the new one"},
          {[](auto& d) { Write(d + "/sc.old/scene.txt", "c"); }, false, ""},
          {[](auto& d) { RenameSave(d + "/sc/scene.txt", "c"); }, true, ""}}},
        {"folder a link, pointed elsewhere", false,
         {{[](auto& d) {
               std::rename((d + "/sc").c_str(), (d + "/sc.1").c_str());
               symlink("sc.1", (d + "/sc").c_str());
           },
           true, ""},
          {[](auto& d) {
               mkdir((d + "/sc.2").c_str(), 0700);
               Write(d + "/sc.2/scene.txt", "b");
               Relink("sc.2", d + "/sc");
           },
           true, "sc: the folder was replaced; watching the new one"},
          {[](auto& d) { Write(d + "/sc.1/scene.txt", "c"); }, false, ""},
          {[](auto& d) { Write(d + "/sc.2/scene.txt", "c"); }, true, ""}}},
        {"folder deleted, then back", false,
         {{[](auto& d) { std::system(("rm -r '" + d + "/sc'").c_str()); }, false,
           "sc: the folder was moved or deleted; watching for it to come back"},
          {[](auto& d) { mkdir((d + "/sc").c_str(), 0700); }, false, "sc: the folder is back; watching it again"},
          {[](auto& d) { Write(d + "/sc/scene.txt", "b"); }, true, ""}}},
        {"target folder deleted, then back", true,
         {{[](auto& d) { std::system(("mv '" + d + "/real' '" + d + "/gone'").c_str()); }, false,
           "sc/../real: the folder was moved or deleted"},
          {[](auto& d) { std::system(("mv '" + d + "/gone' '" + d + "/real'").c_str()); }, true,
           "sc/../real: the folder is back"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char name[] = "/tmp/glintwork-watch-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        const std::string d = name;
        mkdir((d + "/sc").c_str(), 0700);
        mkdir((d + "/real").c_str(), 0700);
        Write(d + "/real/a.txt", "a");
        Write(d + "/real/b.txt", "a");
        if (c.link)
            ASSERT_EQ(symlink("../real/a.txt", (d + "/sc/scene.txt").c_str()), 0);
        else
            Write(d + "/sc/scene.txt", "a");

        // Relative to the working folder, as the program is usually given it.
        char previous[4096];
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_EQ(chdir(name), 0);
        SceneWatcher watcher;
        ASSERT_TRUE(watcher.Watch("sc/scene.txt")) << watcher.Error();
        EXPECT_FALSE(watcher.Changed());
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i + 1));
            c.steps[i].act(d);
            EXPECT_EQ(watcher.Changed(), c.steps[i].changed);
            const std::string notices = Joined(watcher.TakeNotices());
            EXPECT_EQ(notices.find(c.steps[i].notice) != std::string::npos, *c.steps[i].notice || notices.empty())
                << notices;
            EXPECT_EQ(std::count(notices.begin(), notices.end(), '\n'), *c.steps[i].notice ? 1 : 0) << notices;
        }
        // Nothing more happens by itself; the retries have ended.
        EXPECT_FALSE(watcher.Changed());
        EXPECT_EQ(watcher.RetryMilliseconds(), -1);
        ASSERT_EQ(chdir(previous), 0);
        std::system(("rm -rf '" + d + "'").c_str());
    }
}

// A file being written is not a new version until it is closed.
TEST(SceneWatcher, WaitsForTheCloseOfANewFile)
{
    char name[] = "/tmp/glintwork-watch-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::string scene = std::string(name) + "/scene.txt";
    SceneWatcher watcher;
    ASSERT_TRUE(watcher.Watch(scene));
    const int fd = open(scene.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "screen 640", 10), 10);
    EXPECT_FALSE(watcher.Changed());
    ASSERT_EQ(write(fd, " 480", 4), 4);
    close(fd);
    EXPECT_TRUE(watcher.Changed());
    std::remove(scene.c_str());
    rmdir(name);
}
