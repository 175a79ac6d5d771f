// What a save does to what stands at its path: links, devices, FIFOs,
// folders, kills half-way, and the temporaries a killed save leaves.
#include "framework/image/Image.h"
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
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

namespace glintwork {

namespace {

namespace fs = std::filesystem;

constexpr uid_t OtherUser = 65534;

mode_t KindAt(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

}  // namespace

// Each case puts something at out.bmp (notes.txt is a file of the user's that
// a link may point at): the save either writes the picture where it should
// or fails with the system's reason, and whatever stood there stays.
TEST(ImageSave, WhatStandsAtThePathDecides)
{
    using Dir = const ScratchDir&;
    const uid_t me = geteuid();
    // out.bmp in a folder "shared" -> ../notes.txt, with the owners given.
    const auto link = [](uid_t linkOwner, uid_t folderOwner) {
        return [=](Dir d) {
            ASSERT_EQ(mkdir(d.Path("shared").c_str(), 0700), 0);
            ASSERT_EQ(chmod(d.Path("shared").c_str(), 01777), 0);
            ASSERT_EQ(chown(d.Path("shared").c_str(), folderOwner, folderOwner), 0);
            ASSERT_EQ(symlink("../notes.txt", d.Path("shared/out.bmp").c_str()), 0);
            ASSERT_EQ(lchown(d.Path("shared/out.bmp").c_str(), linkOwner, linkOwner), 0);
        };
    };
    const auto null = [](Dir d, const char* name) {
        ASSERT_EQ(mknod(d.Path(name).c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    };
    const struct {
        const char* what;
        std::function<void(Dir)> prepare;
        const char* path;    // saved to
        const char* reason;  // "" when the save succeeds
        bool notesWritten;
    } cases[] = {
        {"another user's link in a sticky folder writable by all", link(OtherUser, me), "shared/out.bmp",
         "Symbolic link in a sticky folder writable by all, owned by another user; not followed", false},
        {"own link there", link(me, me), "shared/out.bmp", "", true},
        {"the folder owner's link", link(OtherUser, OtherUser), "shared/out.bmp", "", true},
        {"a chain of two links",
         [](Dir d) { symlink("notes.txt", d.Path("a").c_str()), symlink("a", d.Path("out.bmp").c_str()); }, "out.bmp",
         "", true},
        {"a dangling link",
         [](Dir d) { std::remove(d.Path("notes.txt").c_str()), symlink("notes.txt", d.Path("out.bmp").c_str()); },
         "out.bmp", "", true},
        {"a FIFO", [](Dir d) { ASSERT_EQ(mkfifo(d.Path("out.bmp").c_str(), 0666), 0); }, "out.bmp",
         "Is a FIFO; not replaced", false},
        {"a character device", [&](Dir d) { null(d, "out.bmp"); }, "out.bmp", "", false},
        {"a link to one", [&](Dir d) { null(d, "null"), symlink("null", d.Path("out.bmp").c_str()); }, "out.bmp", "",
         false},
        {"a folder", [](Dir d) { ASSERT_EQ(mkdir(d.Path("out.bmp").c_str(), 0700), 0); }, "out.bmp",
         "Is a directory", false},
        {"a loop of links", [](Dir d) { symlink("out.bmp", d.Path("out.bmp").c_str()); }, "out.bmp",
         "Too many levels of symbolic links", false},
        {"a missing folder", [](Dir) {}, "missing/out.bmp", "No such file or directory", false},
    };
    if (me != 0)
        GTEST_SKIP() << "links of another user and device nodes need root";
    Image image(2, 2, RGB);
    image.Fill(1, 2, 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        dir.Write("notes.txt", {'n', 'o', 't', 'e', 's'});
        c.prepare(dir);
        const mode_t kind = KindAt(dir.Path(c.path));
        const bool saved = image.Save(dir.Path(c.path).c_str());
        EXPECT_STREQ(saved ? "" : Image::FailureReason(), c.reason);
        EXPECT_EQ(KindAt(dir.Path(c.path)), kind);
        EXPECT_NE(KindAt(dir.Path("null")), mode_t(S_IFREG));  // a device written through stays one
        EXPECT_EQ(ReadFileBytes(dir.Path("notes.txt")).size(), c.notesWritten ? 54u + 16u : 5u);
        for (const auto& entry : fs::recursive_directory_iterator(dir.Path("")))  // no temporary left
            EXPECT_NE(entry.path().filename().string().rfind(".glintwork-", 0), 0u) << entry.path();
    }
}

// The permissions of the file a save leaves: a new one gets 0666 less the
// umask; one that replaces a file keeps its permission bits, but not the
// set-user-ID and set-group-ID bits (as a write into it would clear them).
TEST(ImageSave, PermissionsOfTheSavedFile)
{
    const struct {
        mode_t umask;
        mode_t before;  // 0: no file yet
        mode_t after;
    } cases[] = {
        {027, 0, 0640},
        {022, 0600, 0600},
        {022, 04755, 0755},
        {0, 02775, 0775},
    };
    Image image(2, 2, RGB);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        ScratchDir dir;
        const std::string path = dir.Path("out.bmp");
        if (c.before != 0) {
            ASSERT_EQ(chmod(dir.Write("out.bmp", {}).c_str(), c.before), 0);
        }
        const mode_t previous = umask(c.umask);
        const bool saved = image.Save(path.c_str());
        umask(previous);
        ASSERT_TRUE(saved) << Image::FailureReason();
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.after);
    }
}

// Why a save by `writer` fails, "" when it succeeds: run in a child that
// takes the writer's identity when that is not this process's.
std::string SaveAs(uid_t writer, const Image& image, const std::string& path)
{
    if (writer == geteuid())
        return image.Save(path.c_str()) ? "" : Image::FailureReason();
    int result[2];
    if (pipe(result) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(result[0]);
        const char* reason = "cannot become the writer";
        if (setgid(writer) == 0 && setuid(writer) == 0)
            reason = image.Save(path.c_str()) ? "" : Image::FailureReason();
        (void)!write(result[1], reason, strlen(reason));
        _exit(0);
    }
    close(result[1]);
    std::string reason;
    char buffer[256];
    for (ssize_t n; (n = read(result[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, size_t(n));
    close(result[0]);
    waitpid(child, nullptr, 0);
    return reason;
}

// A file the writer may not write to is not replaced, though the folder
// would let the writer put a new file in its place (as cp refuses it); what
// the kernel lets the writer write (root, a file writable by all) is.
TEST(ImageSave, AFileTheWriterCannotWriteStays)
{
    const bool asRoot = geteuid() == 0;
    const uid_t user = asRoot ? OtherUser : geteuid();
    const struct {
        const char* what;
        uid_t writer, owner;
        mode_t mode;
        const char* reason;
    } cases[] = {
        {"a read-only file of the writer", user, user, 0444, "Permission denied"},
        {"another user's file", user, 0, 0644, "Permission denied"},
        {"another user's file writable by all", user, 0, 0666, ""},
        {"a read-only file, written by root", 0, user, 0444, ""},
    };
    Image image(2, 2, RGB);
    image.Fill(1, 2, 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!asRoot && (c.owner != user || c.writer != user))
            continue;  // files of another user need root
        ScratchDir dir;
        ASSERT_EQ(chmod(dir.Folder().c_str(), 0777), 0);
        const std::string path = dir.Write("out.bmp", {'o', 'l', 'd'});
        if (asRoot) {
            ASSERT_EQ(chown(path.c_str(), c.owner, c.owner), 0);
        }
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        EXPECT_EQ(SaveAs(c.writer, image, path), c.reason);
        EXPECT_EQ(ReadFileBytes(path).size(), *c.reason ? 3u : 54u + 16u);
    }
}

// SIGKILL at random instants while a large frame is saved again and again:
// the file is always a complete frame, old or new, and once a program writes
// there again no other file of ours is left.
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

        // A whole frame of one colour, old or new: its size, first and last pixels.
        const Bytes file = ReadFileBytes(frame);
        ASSERT_EQ(file.size(), 54 + size_t(width) * height * 3) << kill;
        EXPECT_TRUE(file[0] == 'B' && std::equal(file.end() - 3, file.end(), file.begin() + 54) &&
                    (file.end()[-3] == 30 || file.end()[-3] == 50))
            << kill;
    }
    // The next program to write into the folder (here the converter) removes
    // what killed saves left, and nothing else: not another user's temporary,
    // not one a writer holds locked, not other names, not a folder.
    dir.Write(".glintwork-Ab3dE9.partial", Bytes(10, 1));
    const std::string kept[] = {dir.Write(".glintwork-HeLd01.partial", Bytes(10, 1)), dir.Write(".glintwork-backup", {}),
                                dir.Write("glintwork-Ab3dE9.partial", {}), dir.Path(".glintwork-F0lder.partial"),
                                dir.Write(".glintwork-0ther0.partial", {})};
    ASSERT_EQ(mkdir(kept[3].c_str(), 0700), 0);
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(chown(kept[4].c_str(), OtherUser, OtherUser), 0);
    }
    const int held = open(kept[0].c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_EQ(std::system((GLINTWORK_IMAGE_TOOL " convert " + frame + " " + frame).c_str()), 0);
    close(held);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path("")), {}), asRoot ? 6 : 5);
}

}  // namespace glintwork
