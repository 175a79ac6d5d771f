// Runs the glintwork-image tool as a user would.
#include "tests/image/PictureFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

namespace glintwork {

namespace {

using V = std::vector<unsigned char>;

struct ToolRun {
    int status;  // exit code, or -1 when ended by a signal
    std::string out;
    std::string err;
};

ToolRun Tool(const std::string& arguments)
{
    ScratchDir errors;
    // A sanitizer report must not pass for the tool's own failure status 1.
    std::string command = "ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=86 " + std::string(GLINTWORK_IMAGE_TOOL) +
                          " " + arguments + " 2>" + errors.Path("err");
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun run{-1, "", ""};
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const Bytes err = ReadFileBytes(errors.Path("err"));
    run.err.assign(err.begin(), err.end());
    return run;
}

TEST(ImageTool, ArgumentsAndInfo)
{
    EXPECT_EQ(Tool("--help").status, 0);
    EXPECT_EQ(Tool("--version").out.rfind("glintwork-image ", 0), 0u);
    for (const char* wrong : {"", "info", "convert a", "info a b", "resize a b", "info -x"})
        EXPECT_EQ(Tool(wrong).status, 2) << wrong;
    EXPECT_EQ(Tool("--versoin").err.rfind("glintwork-image: unknown option --versoin; did you mean --version?\n", 0), 0u);
    // What it prints cannot be written: a status of its own, and why.
    for (const char* lost : {"--version >/dev/full", "--help >&-"})
        EXPECT_EQ(Tool(lost).status, 3) << lost;
    EXPECT_EQ(Tool("--version >/dev/full").err,
              "glintwork-image: cannot write to standard output: No space left on device\n");

    ScratchDir dir;
    EXPECT_EQ(Tool("info " + dir.Write("g.bmp", MakeBmp(3, 1, 8, {9, 9, 9, 0}, V(4, 0)))).out, "3 1 LUMINANCE 0\n");
    // A file that cannot be opened: the system's reason, from the failing call.
    const std::string plain = dir.Write("plain.txt", {'x'});
    mkdir(dir.Path("folder").c_str(), 0700);
    const struct {
        std::string path;
        const char* reason;
    } unopenable[] = {
        {dir.Path("none.png"), "No such file or directory"},
        {plain + "/x.bmp", "Not a directory"},
        {dir.Path("folder"), "Is a directory"},
    };
    for (const auto& u : unopenable) {
        const ToolRun run = Tool("info " + u.path);
        EXPECT_EQ(run.status, 1) << u.path;
        EXPECT_EQ(run.err, "glintwork-image: cannot load " + u.path + ": cannot open the file: " + u.reason + "\n");
    }
    // A name is echoed with its control characters escaped.
    EXPECT_EQ(Tool("info \"$(printf 'no\\033]0;x')\"").err.rfind("glintwork-image: cannot load no\\x1b]0;x: ", 0), 0u);
}

TEST(ImageTool, ConvertWritesTheKindTheNameAsksForOrNothing)
{
    ScratchDir dir;
    // Top row blue, white; bottom row red, green.
    std::string png = dir.Write(
        "in.png", FromHex("89504e470d0a1a0a0000000d494844520000000200000002080600000072b60d240000001d494441547801011200"
                          "edff000000ffffffffffff00ff0000ff00ff00ff5bb609f7efc7df2a0000000049454e44ae426082"));
    V expected = MakeBmp(2, 2, 24, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
    Set32(expected, 38, 0);  // no resolution given
    Set32(expected, 42, 0);
    // The name's extension, in any case, chooses the kind (its first bytes).
    const struct {
        const char* name;
        int status;
        V start;  // empty: no file
    } cases[] = {
        {"out.bmp", 0, {'B', 'M'}}, {"out.BMP", 0, {'B', 'M'}},       {"out.Png", 0, {0x89, 'P'}},
        {"out.jpg", 0, {0xFF, 0xD8}}, {"out.JPEG", 0, {0xFF, 0xD8}},  {"out.gif", 2, {}},
        {"out", 2, {}},               {"out.bmp.txt", 2, {}},
    };
    for (const auto& c : cases) {
        const ToolRun run = Tool("convert " + png + " " + dir.Path(c.name));
        EXPECT_EQ(run.status, c.status) << c.name << run.err;
        const V bytes = ReadFileBytes(dir.Path(c.name));
        EXPECT_EQ(V(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 2)), c.start) << c.name;
        if (c.status == 2) {
            EXPECT_EQ(run.err, "glintwork-image: " + dir.Path(c.name) +
                                   ": unknown extension; OUT must end in .bmp, .png, .jpg or .jpeg\n");
        }
    }
    EXPECT_EQ(ReadFileBytes(dir.Path("out.bmp")), expected);
    // The PNG holds the picture; the JPEG a picture of its size.
    ASSERT_EQ(Tool("convert " + dir.Path("out.Png") + " " + dir.Path("back.bmp")).status, 0);
    EXPECT_EQ(ReadFileBytes(dir.Path("back.bmp")), expected);
    EXPECT_EQ(Tool("info " + dir.Path("out.jpg")).out, "2 2 BGR 2\n");

    std::string bad = dir.Write("bad.png", V(png.begin(), png.begin() + 5));
    EXPECT_EQ(Tool("convert " + bad + " " + dir.Path("new.bmp")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("new.bmp")));
    std::string old = dir.Write("old.bmp", V(10, 1));
    EXPECT_EQ(Tool("convert " + bad + " " + old).status, 1);
    EXPECT_EQ(ReadFileBytes(old), V(10, 1));
    // A failed save says the system's reason.
    mkdir(dir.Path("folder.png").c_str(), 0700);
    const struct {
        const char* name;
        const char* reason;
    } unwritable[] = {
        {"no/such/folder.bmp", "No such file or directory"},
        {"no/such/folder.jpg", "No such file or directory"},
        {"folder.png", "Is a directory"},
    };
    for (const auto& u : unwritable) {
        const ToolRun run = Tool("convert " + png + " " + dir.Path(u.name));
        EXPECT_EQ(run.status, 1) << u.name;
        EXPECT_EQ(run.err, "glintwork-image: cannot save " + dir.Path(u.name) + ": " + u.reason + "\n");
    }
}

}  // namespace

}  // namespace glintwork
