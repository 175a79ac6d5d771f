// The watch on a scene file, without a window: every change happens before
// Changed() is asked, so what the kernel queued is all there is to see.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/SceneWatcher.h"
#include "tests/support/ScratchFolder.h"

namespace glintwork {

namespace {

// How many watches the kernel holds for the watcher: one "inotify" line each
// in the descriptor's fdinfo.
int WatchCount(const SceneWatcher& watcher)
{
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(watcher.Descriptor()));
    int count = 0;
    for (std::string line; std::getline(info, line);)
        count += line.rfind("inotify ", 0) == 0;
    return count;
}

}  // namespace

// Each case starts, in a folder of its own, from sc/scene.txt (a file, or a
// link to real/a.txt), or from proj/sc/scene.txt, and runs its steps there
// as shell commands; after each,
// Changed() and the notices are checked. (The saves that reach the window are
// tested end to end; here, what must not count and what is said of folders.)
// "mv -T" puts a new file or link in place in one rename, as editors do.
TEST(SceneWatcher, FollowsLinksAndFoldersAndIgnoresTheRest)
{
    const struct Step {
        const char* command;
        bool changed;
        const char* notice;  // part of the one notice ("" for none)
    } renameSave = {"printf c > sc/scene.txt.new && mv sc/scene.txt.new sc/scene.txt", true, ""};
    const struct {
        const char* name;
        bool link;
        std::vector<Step> steps;
        const char* scene = "sc/scene.txt";
    } cases[] = {
        {"another file", false, {{"printf b > sc/other.txt.new && mv sc/other.txt.new sc/other.txt", false, ""}}},
        {"link replaced",
         true,
         {{"ln -s ../real/b.txt sc/scene.txt.link && mv -T sc/scene.txt.link sc/scene.txt", true, ""},
          {"printf b > real/a.txt", false, ""},
          {"printf b > real/b.txt", true, ""}}},
        {"link made anew",
         false,
         {{"rm sc/scene.txt && ln -s ../real/b.txt sc/scene.txt", true, ""}, {"printf b > real/b.txt", true, ""}}},
        {"folder replaced",
         true,
         {{"mv sc sc.old && mkdir sc && printf b > sc/scene.txt", true,
           "sc: the folder was replaced; watching the new one"},
          {"printf c > sc.old/scene.txt", false, ""},
          renameSave}},
        {"folder a link, pointed elsewhere",
         false,
         {{"mv sc sc.1 && ln -s sc.1 sc", true, ""},
          {"mkdir sc.2 && printf b > sc.2/scene.txt && ln -s sc.2 sc.link && mv -T sc.link sc", true,
           "sc: the folder was replaced; watching the new one"},
          {"printf c > sc.1/scene.txt", false, ""},
          {"printf c > sc.2/scene.txt", true, ""}}},
        {"scene deleted, renamed away, then back",
         false,
         {{"rm sc/scene.txt", true, ""},
          {"printf b > sc/scene.txt", true, ""},
          {"mv sc/scene.txt sc/old.txt", true, ""},
          {"mv sc/old.txt sc/scene.txt", true, ""}}},
        {"folder deleted, then back",
         false,
         {{"rm -r sc", false, "sc: the folder was moved or deleted; watching for it to come back"},
          {"mkdir sc", false, "sc: the folder is back; watching it again"},
          {"printf b > sc/scene.txt", true, ""}}},
        {"target folder deleted, then back",
         true,
         {{"mv real gone", false, "sc/../real: the folder was moved or deleted"},
          {"mv gone real", true, "sc/../real: the folder is back"}}},
        {"permissions restored", false, {{"chmod 000 sc/scene.txt", true, ""}, {"chmod 644 sc/scene.txt", true, ""}}},
        {"folder above replaced",
         false,
         {{"mv proj proj.old && mkdir -p proj/sc", false, "proj: the folder was replaced; watching the new one"},
          {"printf c > proj.old/sc/scene.txt", false, ""},
          {"printf b > proj/sc/scene.txt", true, ""},
          {"chmod 700 proj", true, ""}},
         "proj/sc/scene.txt"},
        {"folder above moved away, then back",
         false,
         {{"mv proj proj.1", false, "proj: the folder was moved or deleted; watching for it to come back"},
          {"printf c > proj.1/sc/scene.txt", false, ""},
          {"mv proj.1 proj", true, "proj: the folder is back; watching it again"}},
         "proj/sc/scene.txt"},
    };
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        ASSERT_EQ(chdir(dir.Folder().c_str()), 0);  // the scene named relative to it, as the program is usually given it
        const std::string scene = c.link ? "ln -s ../real/a.txt sc/scene.txt" : "printf a > sc/scene.txt";
        ASSERT_EQ(std::system(("mkdir -p sc real proj/sc && printf a > real/a.txt && printf a > real/b.txt && "
                               "printf a > proj/sc/scene.txt && " +
                               scene)
                                  .c_str()),
                  0);
        SceneWatcher watcher;
        ASSERT_TRUE(watcher.Watch(c.scene)) << watcher.Error();
        EXPECT_FALSE(watcher.Changed());
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.command);
            ASSERT_EQ(std::system(step.command), 0);
            EXPECT_EQ(watcher.Changed(), step.changed);
            const std::vector<std::string> notices = watcher.TakeNotices();
            EXPECT_EQ(notices.size(), *step.notice ? 1u : 0u);
            EXPECT_TRUE(notices.empty() || notices[0].find(step.notice) != std::string::npos) << notices[0];
        }
        // Nothing more happens by itself; the retries have ended.
        EXPECT_FALSE(watcher.Changed());
        EXPECT_EQ(watcher.RetryMilliseconds(), -1);
        EXPECT_LE(WatchCount(watcher), 2);
        ASSERT_EQ(chdir(previous), 0);
    }
}

// Folders replaced again and again, above the scene and as its link's
// target: the watches and descriptors held stay as many as the path needs.
TEST(SceneWatcher, HoldsNoMoreWatchesThanThePathNeeds)
{
    ScratchDir dir;
    const std::string at = "cd '" + dir.Folder() + "' && ";
    ASSERT_EQ(std::system((at + "mkdir -p proj/sc real && printf a > real/a.txt && "
                                "ln -s ../../real/a.txt proj/sc/scene.txt")
                               .c_str()),
              0);
    SceneWatcher watcher;
    ASSERT_TRUE(watcher.Watch(dir.Path("proj/sc/scene.txt"))) << watcher.Error();
    const int watches = WatchCount(watcher);
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const int open = descriptors();
    for (int i = 0; i < 30; ++i) {
        const std::string n = std::to_string(i);
        ASSERT_EQ(std::system((at + "mv proj proj." + n + " && mkdir -p proj/sc && mv proj." + n +
                               "/sc/scene.txt proj/sc/ && mv real real." + n + " && mkdir real && cp real." + n +
                               "/a.txt real/")
                                  .c_str()),
                  0);
        EXPECT_TRUE(watcher.Changed()) << i;
        watcher.TakeNotices();
    }
    EXPECT_EQ(WatchCount(watcher), watches);
    EXPECT_EQ(descriptors(), open);
    EXPECT_EQ(watcher.RetryMilliseconds(), -1);
}

// A folder above the scene that the user may pass through but not read
// cannot be watched: the scene is watched all the same, with no retries.
TEST(SceneWatcher, AFolderAboveThatCannotBeReadIsPassedOver)
{
    ScratchDir dir;
    const uid_t user = geteuid() == 0 ? 65534 : geteuid();  // root reads any folder
    const std::string scene = dir.Path("locked/sc/scene.txt");
    ASSERT_EQ(std::system(("mkdir -p " + dir.Path("locked/sc") + " && printf a > " + scene).c_str()), 0);
    for (const std::string& path : {dir.Path("locked"), dir.Path("locked/sc"), scene}) {
        ASSERT_EQ(chown(path.c_str(), user, user), 0);
    }
    ASSERT_EQ(chmod(dir.Folder().c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.Path("locked").c_str(), 0311), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (user != geteuid() && (setgid(user) != 0 || setuid(user) != 0))
            _exit(9);
        SceneWatcher watcher;
        int faults = watcher.Watch(scene) ? 0 : 1;
        faults |= watcher.RetryMilliseconds() == -1 ? 0 : 2;
        faults |= std::system(("printf b > " + scene).c_str()) == 0 && watcher.Changed() ? 0 : 4;
        _exit(faults);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not watched, 2: retries, 4: a save missed";
    chmod(dir.Path("locked").c_str(), 0755);
}

// A file being written is not a new version until it is closed.
TEST(SceneWatcher, WaitsForTheCloseOfANewFile)
{
    ScratchDir dir;
    const std::string scene = dir.Path("scene.txt");
    SceneWatcher watcher;
    ASSERT_TRUE(watcher.Watch(scene));
    const int fd = open(scene.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "screen 640", 10), 10);
    EXPECT_FALSE(watcher.Changed());
    ASSERT_EQ(write(fd, " 480", 4), 4);
    close(fd);
    EXPECT_TRUE(watcher.Changed());
}

// A read that a newer save overtook is read again, and only the last read
// counts; the queue is empty afterwards. Each case saves the scene in place
// during the first `savesDuring` reads.
TEST(SceneWatcher, ReadsAgainWhenASaveCameDuringTheRead)
{
    const int most = SceneWatcher::MostRereads + 1;
    const struct {
        const char* name;
        std::vector<bool> usable;  // what the reads find, in turn
        int savesDuring;
        int reads;
        bool result;
    } cases[] = {
        {"a version that cannot be used, nothing after it", {false}, 0, 1, false},
        {"read between two in-place saves", {false, true}, 1, 2, true},
        {"a good read overtaken by a save", {true, false}, 1, 2, false},
        {"saves that never stop", std::vector<bool>(most, false), 1000, most, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string scene = dir.Path("scene.txt");
        const auto save = [&] { ASSERT_EQ(std::system(("printf a > " + scene).c_str()), 0); };
        save();
        SceneWatcher watcher;
        ASSERT_TRUE(watcher.Watch(scene));
        save();
        ASSERT_TRUE(watcher.Changed());
        int reads = 0;
        const bool result = watcher.ReadSettled([&] {
            if (reads < c.savesDuring)
                save();
            return c.usable.at(static_cast<std::size_t>(reads++));
        });
        EXPECT_EQ(reads, c.reads);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(watcher.Changed(), c.savesDuring > c.reads);
    }
}

}  // namespace glintwork
