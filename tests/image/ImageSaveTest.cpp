// What a save does to what stands at its path: links, devices, FIFOs,
// folders, kills half-way, and the temporaries a killed save leaves.
#include "framework/image/Image.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534;

mode_t KindAt(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

std::string ToolCommand(const std::string& arguments)
{
    return std::string(GLINTWORK_IMAGE_TOOL) + " " + arguments + " 2>/dev/null";
}

}  // namespace

// Each case puts something at out.bmp (notes.txt is a file of the user's that
// a link may point at): the save either writes the picture where it should
// or fails with the system's reason and leaves everything as it was.
TEST(ImageSave, WhatStandsAtThePathDecides)
{
    using Dir = const ScratchDir&;
    const auto sharedLink = [](Dir d, uid_t linkOwner, uid_t folderOwner, mode_t folderMode) {
        ASSERT_EQ(mkdir(d.Path("shared").c_str(), 0700), 0);
        ASSERT_EQ(chmod(d.Path("shared").c_str(), folderMode), 0);
        ASSERT_EQ(chown(d.Path("shared").c_str(), folderOwner, folderOwner), 0);
        ASSERT_EQ(symlink("../notes.txt", d.Path("shared/out.bmp").c_str()), 0);
        ASSERT_EQ(lchown(d.Path("shared/out.bmp").c_str(), linkOwner, linkOwner), 0);
    };
    const uid_t me = geteuid();
    const struct {
        const char* what;
        bool needsRoot;
        std::function<void(Dir)> prepare;
        const char* path;     // saved to
        const char* reason;   // "" when the save succeeds
        const char* written;  // where the picture goes when it does
    } cases[] = {
        {"another user's link in a sticky folder writable by all", true,
         [&](Dir d) { sharedLink(d, kOtherUser, me, 01777); }, "shared/out.bmp",
         "Symbolic link in a sticky folder writable by all, owned by another user; not followed", ""},
        {"own link in a sticky folder", false, [&](Dir d) { sharedLink(d, me, me, 01777); }, "shared/out.bmp", "",
         "notes.txt"},
        {"the folder owner's link", true, [&](Dir d) { sharedLink(d, kOtherUser, kOtherUser, 01777); },
         "shared/out.bmp", "", "notes.txt"},
        {"another user's link in a folder that is not sticky", true,
         [&](Dir d) { sharedLink(d, kOtherUser, me, 0777); }, "shared/out.bmp", "", "notes.txt"},
        {"a FIFO", false, [](Dir d) { ASSERT_EQ(mkfifo(d.Path("out.bmp").c_str(), 0666), 0); }, "out.bmp",
         "Is a FIFO; not replaced", ""},
        {"a character device", true,
         [](Dir d) { ASSERT_EQ(mknod(d.Path("out.bmp").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0); }, "out.bmp", "",
         ""},
        {"a link to a character device", true,
         [](Dir d) {
             ASSERT_EQ(mknod(d.Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
             ASSERT_EQ(symlink("null", d.Path("out.bmp").c_str()), 0);
         },
         "out.bmp", "", ""},
        {"a folder", false, [](Dir d) { ASSERT_EQ(mkdir(d.Path("out.bmp").c_str(), 0700), 0); }, "out.bmp",
         "Is a directory", ""},
        {"a loop of links", false,
         [](Dir d) {
             ASSERT_EQ(symlink("loop.bmp", d.Path("out.bmp").c_str()), 0);
             ASSERT_EQ(symlink("out.bmp", d.Path("loop.bmp").c_str()), 0);
         },
         "out.bmp", "Too many levels of symbolic links", ""},
        {"a missing folder", false, [](Dir) {}, "missing/out.bmp", "No such file or directory", ""},
    };
    Image image(2, 2, RGB);
    image.Fill(1, 2, 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && me != 0)
            continue;
        ScratchDir dir;
        dir.Write("notes.txt", {'n', 'o', 't', 'e', 's'});
        c.prepare(dir);
        const mode_t kind = KindAt(dir.Path(c.path));
        const bool saved = image.Save(dir.Path(c.path).c_str());
        EXPECT_EQ(saved, !*c.reason);
        EXPECT_STREQ(saved ? "" : Image::FailureReason(), c.reason);
        EXPECT_EQ(KindAt(dir.Path(c.path)), saved && !kind ? S_IFREG : kind);  // links stay links
        const bool notesWritten = std::string(c.written) == "notes.txt";
        EXPECT_EQ(ReadFileBytes(dir.Path("notes.txt")).size(), notesWritten ? 54u + 16u : 5u);
    }
}

// SIGKILL at random instants while a large frame is saved again and again:
// the file is always a complete frame, old or new, and once the program runs
// again no other file is left.
TEST(ImageSave, AKillAtAnyInstantLeavesTheOldFrameOrTheNewOne)
{
    ScratchDir dir;
    const std::string frame = dir.Path("screenShot.bmp");
    const int width = 3000, height = 2400;
    Image images[2] = {Image(width, height, BGR), Image(width, height, BGR)};
    images[0].Fill(10, 20, 30);
    images[1].Fill(200, 100, 50);
    ASSERT_TRUE(images[0].Save(frame.c_str()));
    std::mt19937 random(24);
    for (int kill = 0; kill < 10; ++kill) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            for (int i = 0;; ++i) {
                if (!images[(i + kill) % 2].Save(frame.c_str()))
                    _exit(1);
                if (i == 0)
                    (void)!write(ready[1], "r", 1);
            }
        }
        close(ready[1]);
        char byte;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);  // one save done, the next under way
        close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed";

        EXPECT_EQ(ReadFileBytes(frame).size(), 54u + uint64_t(width) * height * 3) << kill;
        Image loaded;
        ASSERT_TRUE(loaded.LoadBMP(frame.c_str())) << kill;
        const Bytes corner = Rgb(loaded, width - 1, height - 1);
        EXPECT_TRUE(Rgb(loaded, 0, 0) == corner && (corner == Bytes{10, 20, 30} || corner == Bytes{200, 100, 50}))
            << kill;
    }
    // The next program to write into the folder (here the converter) tidies it.
    ASSERT_EQ(std::system(ToolCommand("convert " + frame + " " + frame).c_str()), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path("")), {}), 1);
}

// The first save into a folder removes the temporaries a killed save left
// there, and nothing else: not another user's, not one a writer still holds,
// not a name of another pattern, not a folder.
TEST(ImageSave, TheFirstSaveInAFolderRemovesOnlyStaleTemporariesOfOurs)
{
    ScratchDir dir;
    const std::string stale = dir.Write(".glintwork-Ab3dE9", Bytes(10, 1));
    const std::string held = dir.Write(".glintwork-HeLd01", Bytes(10, 1));
    const std::string other = dir.Write(".glintwork-0ther0", Bytes(10, 1));
    const std::string kept[] = {held, other, dir.Write(".glintwork-short", Bytes(10, 1)),
                                dir.Write("glintwork-Ab3dE9", Bytes(10, 1)), dir.Path(".glintwork-F0lder")};
    ASSERT_EQ(mkdir(kept[4].c_str(), 0700), 0);
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(chown(other.c_str(), kOtherUser, kOtherUser), 0);
    }
    const int lock = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);

    const std::string in = dir.Write("in.bmp", MakeBmp(1, 1, 24, {}, {1, 2, 3, 0}));
    ASSERT_EQ(std::system(ToolCommand("convert " + in + " " + dir.Path("out.bmp")).c_str()), 0);
    close(lock);
    EXPECT_FALSE(FileExists(stale));
    for (const std::string& path : kept)
        EXPECT_TRUE(path == other && !asRoot ? true : fs::exists(path)) << path;
}
