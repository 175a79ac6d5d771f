// The application from the outside: views, switches, moves, exits.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/AppRun.h"

namespace {

// A small scene where the middle sphere shadows the others and every sphere
// shows reflections, for the switches.
const char* kShadowScene = R"(screen 320 240
raytracedepth -100
sphere 3
   0.0  0.0 -15.0  2.0
   0.0 -5.0 -15.0  2.5
   4.0  2.0 -20.0  2.0
materialSP
  0.3 0.0 0.0   0.6 0.1 0.1   0.4 0.4 0.4   20
  0.0 0.3 0.0   0.1 0.6 0.1   0.4 0.4 0.4   40
  0.0 0.0 0.3   0.1 0.1 0.6   0.4 0.4 0.4   60
light 2
   0.0  8.0 -15.0
  -6.0  5.0  -2.0
  0.2 0.2 0.2   0.7 0.7 0.7   0.5 0.5 0.5
  0.1 0.1 0.1   0.4 0.4 0.4   0.3 0.3 0.3
plane 20
  -10 -10  10   -10  10  10   -10  10 -30   -10 -10 -30
   10 -10  10    10  10  10    10  10 -30    10 -10 -30
  -10 -10 -30    10 -10 -30    10  10 -30   -10  10 -30
  -10  10  10    10  10  10    10  10 -30   -10  10 -30
  -10 -10  10    10 -10  10    10 -10 -30   -10 -10 -30
  0.2 0.2 0.2   0.6 0.6 0.6   0.3 0.3 0.3   10
  0.2 0.2 0.2   0.6 0.6 0.6   0.3 0.3 0.3   10
  0.1 0.1 0.1   0.5 0.5 0.5   0.1 0.1 0.1    5
  0.2 0.2 0.2   0.6 0.6 0.6   0.3 0.3 0.3   30
  0.1 0.1 0.1   0.4 0.4 0.4   0.05 0.05 0.05  2
)";

struct Box {
    int x0, y0, x1, y1;
    bool Contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Pixel rectangle (row 0 at the bottom) that holds the picture of a sphere:
// the projections of the corners of the cube around it, plus a margin.
Box SphereBox(double cx, double cy, double cz, double r, int width, int height)
{
    const double top = 0.0119163, right = top * width / height, nearDistance = 0.01;
    Box b{width, height, -1, -1};
    for (int i = 0; i < 8; ++i) {
        const double x = cx + ((i & 1) ? r : -r), y = cy + ((i & 2) ? r : -r), z = cz + ((i & 4) ? r : -r);
        const int px = static_cast<int>((nearDistance * x / -z / right + 1.0) / 2.0 * width);
        const int py = static_cast<int>((nearDistance * y / -z / top + 1.0) / 2.0 * height);
        b = Box{std::min(b.x0, px - 2), std::min(b.y0, py - 2), std::max(b.x1, px + 2), std::max(b.y1, py + 2)};
    }
    return b;
}

// Every pixel where the frames differ lies on one of the scene's spheres.
void ExpectChangesOnlyOnSpheres(const Image& a, const Image& b)
{
    const Box boxes[] = {SphereBox(0, 0, -15, 2, 320, 240), SphereBox(0, -5, -15, 2.5, 320, 240),
                         SphereBox(4, 2, -20, 2, 320, 240)};
    long changed = 0, outside = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (std::memcmp(a.GetRow(y) + 3 * x, b.GetRow(y) + 3 * x, 3) == 0)
                continue;
            ++changed;
            bool inside = false;
            for (const Box& box : boxes)
                inside = inside || box.Contains(x, y);
            outside += !inside;
        }
    }
    EXPECT_GT(changed, 50);
    EXPECT_EQ(outside, 0);
}

// Mean difference per channel between a half of the pair and the single
// picture squeezed to half width.
double SqueezedDifference(const Image& pair, const Image& single, int firstColumn)
{
    double sum = 0.0;
    const int half = single.Width() / 2;
    for (int y = 0; y < single.Height(); ++y)
        for (int x = 0; x < half; ++x)
            for (int c = 0; c < 3; ++c) {
                const int squeezed = (single.GetRow(y)[6 * x + c] + single.GetRow(y)[6 * x + 3 + c]) / 2;
                sum += std::abs(pair.GetRow(y)[3 * (firstColumn + x) + c] - squeezed);
            }
    return sum / (3.0 * half * single.Height());
}

bool HalvesDiffer(const Image& pair)
{
    const int half = pair.Width() / 2;
    for (int y = 0; y < pair.Height(); ++y)
        if (std::memcmp(pair.GetRow(y), pair.GetRow(y) + 3 * half, 3 * half) != 0)
            return true;
    return false;
}

bool CornersBlack(const Image& frame)
{
    const int w = frame.Width() - 1, h = frame.Height() - 1;
    for (auto [x, y] : {std::pair{0, 0}, {w, 0}, {0, h}, {w, h}})
        for (int c = 0; c < 3; ++c)
            if (frame.GetRow(y)[3 * x + c] != 0)
                return false;
    return true;
}

}  // namespace

TEST(Application, ViewKeysSwitchBetweenSinglePairAndEnvironment)
{
    AppRun app(DefaultScene());
    ASSERT_TRUE(app.WaitForWindow());
    const Image start = app.Settle();
    ASSERT_EQ(start.Width(), 640);
    ASSERT_EQ(start.Height(), 480);
    EXPECT_FALSE(CornersBlack(start));

    // U: the pair, two different pictures each squeezed into its half.
    app.Send("key u");
    const Image pair = app.Settle();
    EXPECT_FALSE(SameFrame(pair, start));
    EXPECT_TRUE(HalvesDiffer(pair));
    EXPECT_LT(SqueezedDifference(pair, start, 0), 12.0);
    EXPECT_LT(SqueezedDifference(pair, start, 320), 12.0);
    app.Send("key u");
    EXPECT_TRUE(SameFrame(app.Settle(), start));

    // Shift and Caps Lock make no difference to letters.
    app.Send("key shift+u");
    EXPECT_TRUE(SameFrame(app.Settle(), pair));
    app.Send("key shift+u");
    EXPECT_TRUE(SameFrame(app.Settle(), start));

    // T alternates with the environment view; K shows it and keeps it.
    app.Send("key t");
    const Image environment = app.Settle();
    EXPECT_TRUE(CornersBlack(environment));
    EXPECT_FALSE(SameFrame(environment, start));
    app.Send("key t");
    EXPECT_TRUE(SameFrame(app.Settle(), start));
    app.Send("key k");
    EXPECT_TRUE(SameFrame(app.Settle(), environment));
    app.Send("key k");
    EXPECT_TRUE(SameFrame(app.Settle(), environment));
    // U in the environment view changes nothing now, but T brings the pair.
    app.Send("key u");
    EXPECT_TRUE(SameFrame(app.Settle(), environment));
    app.Send("key t");
    EXPECT_TRUE(SameFrame(app.Settle(), pair));

    // Key releases do nothing.
    app.Send("keyup u t k");
    EXPECT_TRUE(SameFrame(app.Settle(), pair));

    app.Send("key Escape");
    EXPECT_EQ(app.WaitExit(), 0);
}

TEST(Application, SwitchesKeysAndDragsChangeOnlyTheSpheres)
{
    AppRun app(kShadowScene);
    ASSERT_TRUE(app.WaitForWindow());
    const Image start = app.Settle();
    ASSERT_EQ(start.Width(), 320);

    app.Send("key r");
    ExpectChangesOnlyOnSpheres(start, app.Settle());
    app.Send("key r");
    EXPECT_TRUE(SameFrame(app.Settle(), start));
    app.Send("key y");
    ExpectChangesOnlyOnSpheres(start, app.Settle());
    app.Send("key Y");
    EXPECT_TRUE(SameFrame(app.Settle(), start));

    // G moves the spheres (and their shadows on the room); H brings them back.
    // The environment view does not follow the moves.
    app.Send("key g");
    EXPECT_FALSE(SameFrame(app.Settle(), start));
    app.Send("key h");
    EXPECT_TRUE(SameFrame(app.Settle(), start));
    app.Send("key t");
    const Image environment = app.Settle();
    app.Send("key g t t");
    EXPECT_TRUE(SameFrame(app.Settle(), environment));
    app.Send("key t h");
    EXPECT_TRUE(SameFrame(app.Settle(), start));

    // Middle button, or left and right together: no move.
    app.Drag({2}, 4);
    EXPECT_TRUE(SameFrame(app.Settle(), start));
    app.Drag({1, 3}, 4);
    EXPECT_TRUE(SameFrame(app.Settle(), start));
    // A left drag moves left by whole steps: as many H presses undo it; a
    // right drag the other way is undone by G.
    for (auto [button, undo] : {std::pair{1, "key h"}, {3, "key g"}}) {
        app.Drag({button}, 3);
        Image frame = app.Settle();
        EXPECT_FALSE(SameFrame(frame, start)) << button;
        for (int steps = 0; steps < 40 && !SameFrame(frame, start); ++steps) {
            app.Send(undo);
            frame = app.Settle();
        }
        EXPECT_TRUE(SameFrame(frame, start)) << button;
    }

    ASSERT_TRUE(app.RequestClose());
    EXPECT_EQ(app.WaitExit(), 0);
}

// Scripts that cannot be used end the program at once with one line on
// standard error; a frame limit ends it after that many frames.
TEST(Application, UnusableScriptsAndTheFrameLimit)
{
    using Prepare = std::function<void(const std::string&)>;
    const Prepare none, folder = [](const std::string&f) { mkdir((f + "/scenescript.txt").c_str(), 0700); },
                        pipe = [](const std::string&f) { mkfifo((f + "/scenescript.txt").c_str(), 0600); };
    const struct {
        std::string script;
        bool withScript;
        Prepare prepare;
        std::vector<std::string> environment;
        int status;
        const char* message;  // "" for none
    } cases[] = {
        {"", false, none, {}, 0, ""},
        {"screen 640 480 sphere -1 0 0 0 1", true, none, {}, 1, "\"sphere\" count 4294967295"},
        {"screen 640 480 plane 4 0 0 0 1 1 1 2 2 2 3 3 3 1 1 1 1 1 1 1 1 1 1", true, none, {}, 1, "plane points"},
        {"", false, folder, {}, 1, "not a regular file"},
        {"", false, pipe, {}, 1, "not a regular file"},
        {kShadowScene, true, none, {"GLINTWORK_FRAMES=3"}, 0, ""},
    };
    for (const auto& c : cases) {
        AppRun app(c.script, c.withScript, c.environment, c.prepare);
        SCOPED_TRACE(c.script.substr(0, 40));
        EXPECT_EQ(app.WaitExit(), c.status);
        EXPECT_EQ(app.FrameExists(), c.status == 0 && c.withScript);
        const std::string messages = app.Stderr();
        if (*c.message) {
            EXPECT_NE(messages.find(c.message), std::string::npos) << messages;
            EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
        } else {
            EXPECT_EQ(messages, "");
        }
    }
}
