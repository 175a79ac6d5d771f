#include "app/Settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "trace/kernels/InstructionSet.h"

namespace glintwork {

namespace {

constexpr long MaxThreads = 64;

bool ParseThreads(const char* text, unsigned& threads)
{
    long count = 0;
    if (!ParseFrameCount(text, count) || count > MaxThreads)
        return false;
    threads = static_cast<unsigned>(count);
    return true;
}

bool ParsePath(const char* text, FramePath& path)
{
    if (std::strcmp(text, "reference") == 0)
        path = FramePath::Reference;
    else if (std::strcmp(text, "fast") == 0)
        path = FramePath::Fast;
    else
        return false;
    return true;
}

bool KnownInstructionSet(const char* text)
{
    for (const char* name : InstructionSetNames)
        if (std::strcmp(text, name) == 0)
            return true;
    return false;
}

std::string Refused(const char* name, const char* value, const char* takes)
{
    return std::string(name) + "=\"" + value + "\": " + takes;
}

}  // namespace

bool ParseFrameCount(const char* text, long& frames)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1)
        return false;
    frames = value;
    return true;
}

bool ReadSettings(const char* (*lookup)(const char*), Settings& settings, std::string& error)
{
    auto value = [&](const char* name) -> const char* {
        const char* text = lookup(name);
        return text && *text ? text : nullptr;
    };
    if (const char* text = value("GLINTWORK_FRAMES")) {
        if (!ParseFrameCount(text, settings.frames)) {
            error = Refused("GLINTWORK_FRAMES", text, "expected a whole number of frames from 1");
            return false;
        }
    }
    if (const char* text = value("GLINTWORK_THREADS")) {
        if (!ParseThreads(text, settings.threads)) {
            error = Refused("GLINTWORK_THREADS", text, "expected a whole number of threads from 1 to 64");
            return false;
        }
    }
    if (const char* text = value("GLINTWORK_PATH")) {
        if (!ParsePath(text, settings.path)) {
            error = Refused("GLINTWORK_PATH", text, "expected reference or fast");
            return false;
        }
    }
    if (const char* text = value("GLINTWORK_ISA")) {
        if (!KnownInstructionSet(text)) {
            error = Refused("GLINTWORK_ISA", text, "expected plain, sse4, avx2 or avx512");
            return false;
        }
        settings.instructionSet = text;
    }
    return true;
}

const char* SettingsHelp()
{
    return "Environment (an empty variable is the same as an unset one):\n"
           "  GLINTWORK_FRAMES=N     close the window after N frames (--frames N wins)\n"
           "  GLINTWORK_THREADS=N    tracing threads, 1 to 64 (default: one a processor)\n"
           "  GLINTWORK_PATH=reference|fast\n"
           "                         reference: one thread, one point at a time (same\n"
           "                         pictures, slower); fast is the default\n"
           "  GLINTWORK_ISA=plain|sse4|avx2|avx512\n"
           "                         the fast path's vector instructions (default: the\n"
           "                         widest the processor has; one it lacks falls back to\n"
           "                         that; same pictures)\n"
           "A value these do not take ends the program with status 2.\n";
}

}  // namespace glintwork
