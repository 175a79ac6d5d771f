// The application from the outside: real input, and the frame on disk.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "tests/e2e/AppRun.h"

namespace glintwork {

TEST(Application, RealKeysAndDrags)
{
    // What each key does to the view is checked in-process; here the real
    // X events reach it: a key and its release, and mouse drags.
    AppRun app(DefaultScene());
    ASSERT_TRUE(app.WaitForWindow());
    const Image start = app.Settle();
    ASSERT_EQ(start.Width(), 640);
    ASSERT_EQ(start.Height(), 480);
    app.Send("key u");
    const Image pair = app.Settle();
    EXPECT_FALSE(SameFrame(pair, start));
    app.Send("keyup u");
    EXPECT_TRUE(SameFrame(app.Settle(), pair));
    app.Send("key u");
    EXPECT_TRUE(SameFrame(app.Settle(), start));

    // A left drag moves left by whole steps: as many H presses undo it.
    // (Which buttons move what is checked in-process.)
    app.Drag(1, 3);
    Image frame = app.Settle();
    EXPECT_FALSE(SameFrame(frame, start));
    for (int steps = 0; steps < 40 && !SameFrame(frame, start); ++steps) {
        app.Send("key h");
        frame = app.Settle();
    }
    EXPECT_TRUE(SameFrame(frame, start));

    ASSERT_TRUE(app.RequestClose());
    EXPECT_EQ(app.WaitExit(), 0);
}

// The frame on disk when the file system refuses it (the image library's
// tests check that a save replaces the old file whole or not at all).
namespace {

// A complete 640 x 480 frame file (its header is the writer's tests').
bool CompleteFrame(const std::string& bytes)
{
    return bytes.size() == 54 + 640 * 480 * 3 && bytes.compare(0, 2, "BM") == 0;
}

int CountLines(const std::string& text, const std::string& needle)
{
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

}  // namespace

TEST(Faults, AFullDiskKeepsTheLastFrameAndWarnsOnce)
{
    AppRun app(DefaultScene());
    ASSERT_TRUE(app.WaitForWindow());
    ASSERT_TRUE(app.WaitFrames(2));
    const std::string frame = app.Folder() + "/screenShot.bmp";

    // From now on every file the program writes may hold 1000 bytes at most,
    // as on a full disk.
    const rlimit small{1000, RLIM_INFINITY};
    ASSERT_EQ(prlimit(app.Pid(), RLIMIT_FSIZE, &small, nullptr), 0);
    ASSERT_TRUE(app.WaitUntil([&] { return CountLines(app.Stderr(), "cannot write") > 0; }));
    // Every save fails from the first warning on: this frame must stay.
    EXPECT_NE(app.Stderr().find("cannot write screenShot.bmp: File too large; the last frame written stays"),
              std::string::npos)
        << app.Stderr();
    const std::string kept = ReadWholeFile(frame);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // several more refused frames
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(ReadWholeFile(frame), kept);
    EXPECT_TRUE(CompleteFrame(kept));
    EXPECT_EQ(CountLines(app.Stderr(), "cannot write"), 1) << app.Stderr();

    // Room again: frames are written again.
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    ASSERT_EQ(prlimit(app.Pid(), RLIMIT_FSIZE, &unlimited, nullptr), 0);
    EXPECT_TRUE(app.WaitFrames(2));
    EXPECT_TRUE(CompleteFrame(ReadWholeFile(frame)));
}

// A counted run that could write no frame (its folder missing) fails after
// one warning with the reason; a folder in the frame file's place is refused
// before the run, and stays.
TEST(Faults, ACountedRunWithNoFrameWrittenFails)
{
    AppRun missing(DefaultScene(), true, {}, {}, {"--frames", "3", "--output", "gone/x.bmp"});
    EXPECT_EQ(missing.WaitExit(), 5);
    EXPECT_EQ(missing.Stderr(), "glintwork: warning: cannot write gone/x.bmp: No such file or directory; no frame has "
                                "been written; tracing goes on\nglintwork: no frame could be written to gone/x.bmp\n");

    const auto folderInTheWay = [](const std::string& f) { mkdir((f + "/screenShot.bmp").c_str(), 0700); };
    AppRun app(DefaultScene(), true, {}, folderInTheWay, {"--frames", "3"});
    EXPECT_EQ(app.WaitExit(), 2);
    EXPECT_EQ(app.Stderr(),
              "glintwork: screenShot.bmp is a folder: frames are written to files (--output names another)\n");
    struct stat st;
    EXPECT_TRUE(stat((app.Folder() + "/screenShot.bmp").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

}  // namespace glintwork
