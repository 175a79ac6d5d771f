// Pixel formats, the context stack, closing by the window system and
// extensions.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "framework/glwindow/ContextStack.h"
#include "tests/framework/FrameworkTestSupport.h"

namespace glintwork {

namespace {

TEST(Window, AStereoRequestIsRelaxedToTheDepthAskedForAndFormatsCannotChangeInOnCreate)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    EXPECT_TRUE(window.SetStereo(true));
    EXPECT_TRUE(window.SetDepthBits(32));
    EXPECT_FALSE(window.SetDepthBits(256));

    // Stereo, depth and double buffering as granted, the context's own depth
    // and stereo, and whether each change in OnCreate was refused.
    std::vector<int> seen;
    window.onCreate = [&] {
        GLint glDepth = 0;
        GLboolean glStereo = GL_TRUE;
        glGetIntegerv(GL_DEPTH_BITS, &glDepth);
        glGetBooleanv(GL_STEREO, &glStereo);
        seen = {window.GetStereo(), window.GetDepthBits(), window.GetDoubleBuffer(), glDepth, glStereo};
        seen.push_back(!window.SetDepthBits(24));
        seen.push_back(!window.SetStereo(true));
        window.Close();
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.Run(), 0);
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen, (std::vector<int>{false, 32, true, 32, GL_FALSE, true, true}));
    const std::string refusal = "You cannot change pixel format in GLWindow::OnCreate";
    EXPECT_NE(messages.find(refusal), std::string::npos) << messages;
}

TEST(Window, ContextStackRestoresSixteenLevelsAndCountsTheSeventeenth)
{
    PlainWindow a = MakePlainWindow(plat::DefWindowProc, 64, 64, false);
    PlainWindow b = MakePlainWindow(plat::DefWindowProc, 64, 64, false);
    const PlainWindow choices[3] = {PlainWindow(), a, b};  // none, a, b in turn
    ContextStack& stack = ContextStack::Get();
    ASSERT_EQ(stack.Depth(), 0);
    for (int i = 0; i < 17; ++i) {
        ASSERT_TRUE(stack.MakeCurrent(choices[i % 3].dc, choices[i % 3].context));
        stack.Push();
    }
    EXPECT_EQ(stack.Depth(), 17);
    stack.MakeCurrent(a.dc, a.context);
    stack.Pop();  // the seventeenth push was counted, not stored
    EXPECT_EQ(plat::GetCurrentContext(), nullptr);
    for (int i = 15; i >= 0; --i) {
        stack.Pop();
        EXPECT_EQ(plat::GetCurrentContext(), choices[i % 3].context) << "level " << i;
        if (choices[i % 3].context) {
            EXPECT_EQ(plat::GetCurrentDC(), choices[i % 3].dc) << "level " << i;
        }
    }
    EXPECT_EQ(stack.Depth(), 0);
    stack.MakeCurrent(b.dc, b.context);
    stack.Pop();  // nothing pushed: ignored
    EXPECT_EQ(stack.Depth(), 0);
    EXPECT_EQ(plat::GetCurrentContext(), b.context);
    DestroyPlainWindow(a);
    DestroyPlainWindow(b);
}

TEST(Window, ClosingHidesOtherWindowsShowRecreatesAGoneOneAndTheMainOneEndsTheLoop)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow main(&log, "main");
    RecordingWindow other(&log, "other");
    int phase = 0, shownAgainAt = 0;
    app.onIdle = [&] {
        if (phase == 0 && main.displays > 0 && other.displays > 0) {
            EXPECT_TRUE(plat::RequestClose(other.extra->hWnd));
            phase = 1;
        } else if (phase == 1 && !other.IsVisible()) {
            // Its OS window goes the way a closed main window's does; the
            // record keeps the context until Show.
            EXPECT_TRUE(plat::DestroyWindow(other.extra->hWnd));
            other.Show();
            EXPECT_NE(other.extra->hGLRC, nullptr);
            shownAgainAt = other.displays;
            phase = 2;
        } else if (phase == 2 && other.displays > shownAgainAt) {
            EXPECT_TRUE(plat::RequestClose(main.extra->hWnd));
            phase = 3;
        }
    };
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(app.timedOut);
    EXPECT_EQ(phase, 3);
    EXPECT_FALSE(main.IsVisible());
    // Every context lies between its OnCreate and its OnDestroy (the last
    // one goes with the window object, after this).
    Log lifecycle;
    for (const std::string& line : log)
        if (line == "other create" || line == "other destroy")
            lifecycle.push_back(line);
    EXPECT_EQ(lifecycle, Log({"other create", "other destroy", "other create"}));
}

TEST(Window, ExtensionsAreMatchedAsWholeWords)
{
    Log log;
    RecordingApp app(&log);
    RecordingWindow window(&log);
    std::string all;
    window.onCreate = [&] {
        all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        window.Close();
    };
    EXPECT_EQ(app.Run(), 0);
    ASSERT_FALSE(all.empty());
    std::string trimmed = all.substr(0, all.find_last_not_of(' ') + 1);
    std::string first = trimmed.substr(0, trimmed.find(' '));
    std::string last = trimmed.substr(trimmed.rfind(' ') + 1);
    // The queries switch to the window's context themselves, outside any
    // handler: a new OS window and context for the closed one.
    window.Show();
    const std::pair<const char*, bool> cases[] = {{first.c_str(), true},
                                                  {last.c_str(), true},
                                                  {"GL_ARB_multitexture", true},
                                                  {"GL_ARB_multitextur", false},
                                                  {"L_ARB_multitexture", false},
                                                  {"GL_ARB_multitexture GL_EXT_bgra", false},
                                                  {"", false},
                                                  {nullptr, false}};
    for (const auto& [name, supported] : cases)
        EXPECT_EQ(window.IsExtensionSupported(name), supported) << (name ? name : "null");
}

}  // namespace

}  // namespace glintwork
