// Drives the tracer window in-process, through its window procedure, and
// checks what each input does to the frame it writes.
//
// Usage: app_window_input SCENE-SCRIPT   (needs a display; a room that fills
// the view, with an even screen width)

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "framework/glwindow/GLWindowEx.h"
#include "tests/app/WindowChecks.h"

namespace glintwork {

namespace {

class InputWindow : public CheckedWindow<InputWindow> {
public:
    static std::vector<Check> Checks()
    {
        return {{"keys switch views and switches", &InputWindow::KeysSwitchViews},
                {"one sphere step per move event", &InputWindow::DragsStepOncePerMove},
                {"a resized window keeps the traced size", &InputWindow::ResizeKeepsTheTracedSize},
                {"the left eye's picture is on the right", &InputWindow::PairPutsTheLeftEyeOnTheRight},
                {"inputs during a frame follow it in order", &InputWindow::InputsDuringAFrameFollowIt}};
    }

private:
    void Send(unsigned message, plat::WPARAM wParam = 0)
    {
        plat::SendMessage(extra->hWnd, message, wParam, plat::MakeLParam(10, 10));
    }

    void Keys(char key, int times)
    {
        for (int i = 0; i < times; ++i)
            Send(plat::WM_KEYDOWN, static_cast<plat::WPARAM>(key));
    }

    // Queues the messages of `inputs` (keys, and < or > as a move with that
    // button held) for the window to find while it traces.
    void Queue(const std::string& inputs)
    {
        for (char input : inputs) {
            const unsigned down = input == '<' ? plat::WM_LBUTTONDOWN : plat::WM_RBUTTONDOWN;
            const bool drag = input == '<' || input == '>';
            const std::vector<std::pair<unsigned, plat::WPARAM>> messages =
                drag ? std::vector<std::pair<unsigned, plat::WPARAM>>{{down, 0}, {plat::WM_MOUSEMOVE, 0}, {down + 1, 0}}
                     : std::vector<std::pair<unsigned, plat::WPARAM>>{{plat::WM_KEYDOWN, plat::WPARAM(input)}};
            for (const auto& [message, wParam] : messages)
                plat::PostMessage(extra->hWnd, message, wParam, plat::MakeLParam(10, 10));
        }
    }

    // Inputs that come while a frame is traced, faster than frames: a quick
    // frame is finished, drawn and saved as it began, a slow one is given up;
    // either way the inputs then take effect together, in order, and the
    // next frame is the one of the same inputs taken one at a time.
    bool InputsDuringAFrameFollowIt()
    {
        const std::string inputs = "<<<KTU>R", undo = "RU>>";  // K then T: the room view again
        const std::string start = Frame();
        for (char input : inputs) {
            ApplyInput(input);
            Frame();
        }
        const std::string oneByOne = Frame();
        for (char input : undo)
            ApplyInput(input);
        bool ok = Frame() == start && oneByOne != start;
        const Settings settings = CurrentSettings();
        for (const double slowFrameMs : {1e9, 0.0}) {
            Settings changed = settings;
            changed.slowFrameMs = slowFrameMs;
            changed.keeping.reusePoints = false;  // traced, so that it takes input
            Configure(changed);
            Queue(inputs);
            TracerWindow::OnDisplay();
            const bool finished = slowFrameMs > 0.0;
            const bool right = FrameCancelled() != finished && (!finished || ReadWholeFile("screenShot.bmp") == start) &&
                               Frame() == oneByOne;
            if (!right)
                std::printf("a frame %s: not as expected\n", finished ? "finished" : "given up");
            ok = ok && right;
            for (char input : undo)
                ApplyInput(input);
        }
        Configure(settings);
        return ok && Frame() == start;
    }

    // Holds the buttons (by their down messages), sends `moves` move events,
    // releases the buttons again.
    void Drag(const std::vector<unsigned>& downs, int moves)
    {
        for (unsigned down : downs)
            Send(down);
        for (int i = 0; i < moves; ++i)
            Send(plat::WM_MOUSEMOVE);
        for (unsigned down : downs)
            Send(down + 1);  // the matching up message
    }

    bool DragsStepOncePerMove()
    {
        const std::string start = Frame();
        bool ok = true;
        // Moves without a button, with the middle one, or with both sides held
        // move nothing.
        Drag({}, 3);
        Drag({plat::WM_MBUTTONDOWN}, 3);
        Drag({plat::WM_LBUTTONDOWN, plat::WM_RBUTTONDOWN}, 3);
        ok = ok && Frame() == start;
        // n moves equal n presses of the matching key, and as many of the
        // other key undo them.
        const struct {
            unsigned down;
            char same, undo;
        } drags[] = {{plat::WM_LBUTTONDOWN, 'G', 'H'}, {plat::WM_RBUTTONDOWN, 'H', 'G'}};
        for (const auto& d : drags) {
            for (int moves = 1; moves <= 3; ++moves) {
                Drag({d.down}, moves);
                const std::string dragged = Frame();
                Keys(d.undo, moves);
                ok = ok && dragged != start && Frame() == start;
                Keys(d.same, moves);
                ok = ok && Frame() == dragged;
                Keys(d.undo, moves);
            }
        }
        return ok && Frame() == start;
    }

    // Each step's keys, then the frame expected: one named before, or "new"
    // for one unlike the first. The pair and the environment view are named
    // when first seen.
    bool KeysSwitchViews()
    {
        std::map<std::string, std::string> seen{{"start", Frame()}};
        const std::pair<const char*, const char*> steps[] = {
            {"U", "pair"}, {"U", "start"}, {"T", "environment"}, {"T", "start"}, {"KK", "environment"},
            {"U", "environment"}, {"T", "pair"}, {"U", "start"}, {"R", "new"}, {"R", "start"}, {"Y", "new"},
            {"Y", "start"}, {"G", "new"}, {"H", "start"}, {"TGRY", "environment"}, {"TH", "new"}, {"RY", "start"}};
        bool ok = true;
        for (const auto& [keys, shows] : steps) {
            for (const char* k = keys; *k; ++k)
                Keys(*k, 1);
            const std::string frame = Frame();
            const bool named = seen.count(shows) != 0;
            const bool right = named ? frame == seen[shows] : frame != seen["start"];
            if (!right)
                std::printf("after %s: not the %s frame\n", keys, shows);
            ok = ok && right;
            if (!named && std::string(shows) != "new")
                seen[shows] = frame;
        }
        return ok;
    }

    // The frame is the whole window; the traced picture keeps the scene's
    // size at its bottom-left corner, cut off by a smaller window. (Points
    // on the picture's right and top edges may show just outside it.)
    bool ResizeKeepsTheTracedSize()
    {
        const std::string start = Frame();
        const Image traced(ScreenShot());
        const int width = traced.Width(), height = traced.Height();
        bool ok = true;
        for (const auto& [w, h] : {std::pair{width + 160, height + 120}, {width / 2, height / 3}}) {
            SetSize(w, h);
            Frame();
            ok = ok && ScreenShot().Width() == w && ScreenShot().Height() == h;
            for (int y = 0; ok && y < std::min(h, height); ++y)
                ok = std::memcmp(ScreenShot().GetRow(y), traced.GetRow(y), 3 * std::min(w, width)) == 0;
        }
        SetSize(width, height);
        return ok && Frame() == start;
    }

    // Rays leave each eye through the one image plane, and the points are
    // drawn as seen from the centre, so each eye's picture misses a strip on
    // one side: the left eye's its last columns, the right eye's its first.
    // In the pair the two strips lie at the outer edges; swapped halves or
    // swapped eyes would put them in the middle.
    bool PairPutsTheLeftEyeOnTheRight()
    {
        const int width = static_cast<int>(CurrentScene().screenWidth), half = width / 2;
        auto black = [&](int x, int y) {
            const unsigned char* p = ScreenShot().GetRow(y) + 3 * x;
            return p[0] == 0 && p[1] == 0 && p[2] == 0;
        };
        // Rows 1 .. height - 1: the bottom row shows the floor's edge only
        // here and there.
        auto rows = [&](int black0, int black1, int black2, int black3, const int(&x)[4]) {
            bool ok = ScreenShot().Width() == width;
            for (int y = 1; ok && y < ScreenShot().Height(); ++y)
                ok = black(x[0], y) == bool(black0) && black(x[1], y) == bool(black1) &&
                     black(x[2], y) == bool(black2) && black(x[3], y) == bool(black3);
            return ok;
        };
        Keys('U', 1);
        Frame();
        Keys('U', 1);
        return rows(1, 0, 0, 1, {0, half - 1, half, width - 1});
    }
};

CheckApp<InputWindow> app;

}  // namespace

}  // namespace glintwork
