// Pixel formats and GL contexts of the portable half: a request is relaxed
// step by step until the backend can make a context for it; formats and
// contexts are numbered handles.
#include "framework/platform/PlatformBackend.h"
#include "framework/platform/PlatformState.h"

namespace glintwork {

namespace plat {

namespace {

bool SameRequest(const PixelFormatDescriptor& a, const PixelFormatDescriptor& b)
{
    return a.flags == b.flags && a.colorBits == b.colorBits && a.alphaBits == b.alphaBits &&
           a.accumBits == b.accumBits && a.depthBits == b.depthBits && a.stencilBits == b.stencilBits;
}

// The request, then ever weaker versions of it.
std::vector<PixelFormatDescriptor> Relaxations(const PixelFormatDescriptor& request)
{
    std::vector<PixelFormatDescriptor> out{request};
    PixelFormatDescriptor r = request;
    if (r.flags & PFD_STEREO) {
        r.flags &= ~PFD_STEREO;
        out.push_back(r);
    }
    for (int depth : {24, 16, 0}) {
        if (depth < r.depthBits) {
            r.depthBits = depth;
            out.push_back(r);
        }
    }
    for (int* bits : {&r.stencilBits, &r.alphaBits, &r.accumBits}) {
        if (*bits != 0) {
            *bits = 0;
            out.push_back(r);
        }
    }
    return out;
}

// Makes the native window with the visual of the format.
bool Realise(WindowRecord* w, const PixelFormatDescriptor& request)
{
    w->native = backend::CreateWindow(*w, request);
    if (!w->native)
        return false;
    backend::GetSize(w->native, &w->width, &w->height);
    if (w->visible)
        ShowNative(w);
    return true;
}

}  // namespace

HDC GetDC(HWND hwnd)
{
    return Find(hwnd) ? ToHandle<HDC>(ToId(hwnd)) : nullptr;
}

HWND WindowFromDC(HDC hdc)
{
    return FindDC(hdc) ? ToHandle<HWND>(ToId(hdc)) : nullptr;
}

int ChoosePixelFormat(HDC hdc, const PixelFormatDescriptor* request)
{
    State& s = S();
    if (!FindDC(hdc) || !request || !EnsureVideo())
        return 0;
    for (const auto& known : s.chosen)
        if (SameRequest(known.first, *request))
            return known.second;
    for (const PixelFormatDescriptor& candidate : Relaxations(*request)) {
        PixelFormatDescriptor obtained;
        if (backend::Probe(candidate, &obtained)) {
            s.formats.push_back(FormatRecord{candidate, obtained});
            int format = static_cast<int>(s.formats.size());
            s.chosen.emplace_back(*request, format);
            return format;
        }
    }
    // The backend said why the last, weakest request failed.
    const std::string reason = GetLastErrorText();
    SetError(("no pixel format comes close to the request" + (reason.empty() ? "" : " (" + reason + ")")).c_str());
    return 0;
}

bool SetPixelFormat(HDC hdc, int format)
{
    WindowRecord* w = FindDC(hdc);
    State& s = S();
    if (!w || format < 1 || format > static_cast<int>(s.formats.size())) {
        SetError("invalid drawable or format");
        return false;
    }
    if (w->pixelFormat != 0) {
        SetError("the pixel format of a window can be set only once");
        return false;
    }
    if (!Realise(w, s.formats[format - 1].request))
        return false;
    w->pixelFormat = format;
    if (!backend::DescribeWindow(w->native, &w->obtained))
        w->obtained = s.formats[format - 1].obtained;
    return true;
}

int GetPixelFormat(HDC hdc)
{
    WindowRecord* w = FindDC(hdc);
    return w ? w->pixelFormat : 0;
}

bool DescribePixelFormat(HDC hdc, int format, PixelFormatDescriptor* out)
{
    WindowRecord* w = FindDC(hdc);
    State& s = S();
    if (!w || !out || format < 1 || format > static_cast<int>(s.formats.size()))
        return false;
    *out = (w->pixelFormat == format) ? w->obtained : s.formats[format - 1].obtained;
    return true;
}

HGLRC CreateContext(HDC hdc)
{
    WindowRecord* w = FindDC(hdc);
    if (!w || !w->native) {
        SetError("the drawable has no pixel format");
        return nullptr;
    }
    NativeContext* context = backend::CreateContext(w->native);
    if (!context)
        return nullptr;
    std::uintptr_t id = S().nextId++;
    S().contexts[id] = context;
    return ToHandle<HGLRC>(id);
}

bool DeleteContext(HGLRC context)
{
    auto it = S().contexts.find(ToId(context));
    if (it == S().contexts.end())
        return false;
    backend::DeleteContext(it->second);
    S().contexts.erase(it);
    return true;
}

bool MakeCurrent(HDC hdc, HGLRC context)
{
    State& s = S();
    if (!context) {
        if (backend::Started())
            backend::ReleaseCurrent();
        return true;
    }
    WindowRecord* w = FindDC(hdc);
    auto it = s.contexts.find(ToId(context));
    if (!w || !w->native || it == s.contexts.end()) {
        SetError("invalid drawable or context");
        return false;
    }
    if (!backend::MakeCurrent(w->native, it->second, w->drawableStale))
        return false;
    w->drawableStale = false;
    return true;
}

HGLRC GetCurrentContext()
{
    State& s = S();
    if (!backend::Started())
        return nullptr;
    NativeContext* current = backend::CurrentContext();
    if (!current)
        return nullptr;
    for (const auto& c : s.contexts)
        if (c.second == current)
            return ToHandle<HGLRC>(c.first);
    return nullptr;
}

HDC GetCurrentDC()
{
    if (!backend::Started() || !backend::CurrentContext())
        return nullptr;
    WindowRecord* w = Find(ToHandle<HWND>(backend::CurrentWindowId()));
    return w ? ToHandle<HDC>(w->id) : nullptr;
}

bool SwapBuffers(HDC hdc)
{
    WindowRecord* w = FindDC(hdc);
    if (!w || !w->native)
        return false;
    backend::SwapBuffers(w->native);
    return true;
}

bool HasCurrentContext()
{
    return backend::Started() && backend::CurrentContext() != nullptr;
}

bool GetCurrentClientSize(int* width, int* height)
{
    WindowRecord* w = FindDC(GetCurrentDC());
    if (!w)
        return false;
    if (width)
        *width = w->width;
    if (height)
        *height = w->height;
    return true;
}

}  // namespace plat

}  // namespace glintwork
