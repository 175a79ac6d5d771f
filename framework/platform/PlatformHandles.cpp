// The portable half's records: handle lookup, the class registry, the
// shutdown at exit and the last error.
#include "framework/platform/PlatformBackend.h"
#include "framework/platform/PlatformState.h"

#include <algorithm>
#include <cstdlib>

namespace glintwork {

namespace plat {

State& S()
{
    static State* state = new State;
    return *state;
}

void SetError(const char* text)
{
    S().lastError = text;
}

const char* GetLastErrorText()
{
    return S().lastError.c_str();
}

WindowRecord* Find(HWND hwnd)
{
    auto it = S().windows.find(ToId(hwnd));
    if (it == S().windows.end() || it->second->destroying)
        return nullptr;
    return it->second.get();
}

WindowRecord* FindDC(HDC hdc)
{
    return Find(ToHandle<HWND>(ToId(hdc)));
}

HWND HandleOf(const WindowRecord* w)
{
    return w ? ToHandle<HWND>(w->id) : nullptr;
}

void Shutdown()
{
    State& s = S();
    if (!backend::Started())
        return;
    backend::ReleaseCurrent();
    for (auto& c : s.contexts)
        backend::DeleteContext(c.second);
    s.contexts.clear();
    for (auto& w : s.windows)
        if (w.second->native)
            backend::DestroyWindow(w.second->native);
    s.windows.clear();
    s.queue.clear();
    backend::Stop();
}

bool EnsureVideo()
{
    State& s = S();
    if (backend::Started())
        return true;
    if (!backend::Start(s.offscreenOnly))
        return false;
    if (!s.exitHandlerSet) {
        s.exitHandlerSet = true;
        std::atexit(Shutdown);
    }
    return true;
}

void ChooseDrawingPlace(DrawingPlace place)
{
    S().offscreenOnly = place == DrawingPlace::Offscreen;
}

bool StartWindowSystem()
{
    return EnsureVideo();
}

bool DrawsOffscreen()
{
    return backend::Started() && backend::Offscreen();
}

const char* UnusableDisplayReason()
{
    return backend::UnusableDisplayReason();
}

// --- window classes -------------------------------------------------------------

ATOM RegisterClass(const char* name, WNDPROC proc)
{
    State& s = S();
    if (!name || !proc)
        return 0;
    for (const ClassRecord& c : s.classes)
        if (c.name == name)
            return 0;  // already registered
    if (!s.exitHandlerSet) {
        // Registered early (during static construction when windows are static
        // members), so it runs after the static windows are gone.
        s.exitHandlerSet = true;
        std::atexit(Shutdown);
    }
    ATOM atom = static_cast<ATOM>(0xC000 + s.classes.size());
    s.classes.push_back(ClassRecord{name, proc, atom});
    return atom;
}

bool UnregisterClass(ATOM atom)
{
    auto& classes = S().classes;
    auto it = std::find_if(classes.begin(), classes.end(), [&](const ClassRecord& c) { return c.atom == atom; });
    if (it == classes.end())
        return false;
    it->proc = nullptr;
    it->name.clear();
    return true;
}

HINSTANCE GetModuleHandle()
{
    static char module;
    return reinterpret_cast<HINSTANCE>(&module);
}

}  // namespace plat

}  // namespace glintwork
