// Runs the glintwork-image tool as a user would, on good and hostile files.
#include "PictureFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <sys/wait.h>

namespace {

using V = std::vector<unsigned char>;

struct ToolRun {
    int status;  // exit code, or -1 when ended by a signal
    std::string out;
    double seconds;
};

ToolRun Tool(const std::string& arguments)
{
    auto start = std::chrono::steady_clock::now();
    // A sanitizer report must not pass for the tool's own failure status 1.
    std::string command = "ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=86 " + std::string(GLINTWORK_IMAGE_TOOL) +
                          " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun run{-1, "", 0};
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

TEST(ImageTool, ArgumentsAndInfo)
{
    EXPECT_EQ(Tool("--help").status, 0);
    for (const char* wrong : {"", "info", "convert a", "info a b", "resize a b"})
        EXPECT_EQ(Tool(wrong).status, 2) << wrong;

    ScratchDir dir;
    V palette16(64, 7);
    ToolRun four = Tool("info " + dir.Write("f.bmp", MakeBmp(5, 3, 4, palette16, V(12, 0))));
    EXPECT_EQ(four.status, 0);
    EXPECT_EQ(four.out, "5 3 BGR 1\n");
    ToolRun grey = Tool("info " + dir.Write("g.bmp", MakeBmp(3, 1, 8, {9, 9, 9, 0}, V(4, 0))));
    EXPECT_EQ(grey.out, "3 1 LUMINANCE 0\n");  // the reader's note goes to standard error
    ToolRun missing = Tool("info " + dir.Path("none.png"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
}

TEST(ImageTool, ConvertWritesABmpOrNothing)
{
    ScratchDir dir;
    // Top row blue, white; bottom row red, green.
    std::string png =
        dir.Write("in.png", MakePng(2, 2, {0, 0, 255, 255, 255, 255, 255, 255, 255, 0, 0, 255, 0, 255, 0, 255}));
    ASSERT_EQ(Tool("convert " + png + " " + dir.Path("out.jpg")).status, 0);
    V expected = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0,  54, 0, 0, 0, 40, 0,  0, 0, 2,
                  0,   0,   0,  2, 0, 0, 0, 1, 0, 24, 0,  0, 0, 0, 0,  16, 0, 0, 0};
    expected.resize(54, 0);
    expected.insert(expected.end(), {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
    EXPECT_EQ(ReadFileBytes(dir.Path("out.jpg")), expected);

    std::string bad = dir.Write("bad.png", V(png.begin(), png.begin() + 5));
    EXPECT_EQ(Tool("convert " + bad + " " + dir.Path("new.bmp")).status, 1);
    EXPECT_FALSE(FileExists(dir.Path("new.bmp")));
    std::string old = dir.Write("old.bmp", V(10, 1));
    EXPECT_EQ(Tool("convert " + bad + " " + old).status, 1);
    EXPECT_EQ(ReadFileBytes(old), V(10, 1));
    EXPECT_EQ(Tool("convert " + png + " " + dir.Path("no/such/folder.bmp")).status, 1);
}

// Damaged copies of a file of every kind: each gives exit 0 or 1, quickly.
TEST(ImageTool, DamagedFilesNeverCrashOrHang)
{
    ScratchDir dir;
    const V originals[] = {
        MakeBmp(3, 2, 24, {}, V(24, 5)),
        MakeBmp(3, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0}, V(8, 1)),
        MakeBmp(8, 2, 4, V(64, 3), {4, 1, 0, 0, 8, 2, 0, 1}, 2),
        MakeBmp(4, 2, 8, V(16, 3), {4, 3, 0, 0, 2, 1, 2, 2, 0, 1}, 1),
        MakeBmp(2, 2, 16, {}, V(8, 0x55)),
        MakeTga(10, 3, 2, 32, 32, {0x85, 1, 2, 3, 4}, true),
        MakeTga(2, 2, 2, 24, 0, V(12, 8), true),
        MakePng(3, 2, V(24, 0x80)),
        MakeGif(3, 2, V(12, 0x40), {0, 1, 2, 3, 0, 1}, 1),
        MakeGreyJpeg({10, 20, 30}),
    };
    std::mt19937 random(12345);
    int files = 0;
    for (const V& original : originals) {
        for (int variant = 0; variant < 12; ++variant) {
            V file = original;
            if (variant < 4) {
                file.resize(file.size() * (variant + 1) / 5);  // cut short
            } else {
                for (int k = 0; k < 1 + variant / 4; ++k) {  // a few bytes overwritten
                    size_t at = random() % file.size();
                    file[at] = variant % 2 ? uint8_t(random()) : 0xFF;
                }
            }
            std::string path = dir.Write("d" + std::to_string(files++) + ".tga", file);
            ToolRun run = Tool("convert " + path + " " + dir.Path("out.bmp"));
            EXPECT_TRUE(run.status == 0 || run.status == 1) << path << " gave " << run.status;
            EXPECT_LT(run.seconds, 1.0) << path;
        }
    }
}

}  // namespace
