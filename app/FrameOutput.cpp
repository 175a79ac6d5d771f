#include "app/FrameOutput.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/OptionParser.h"

namespace glintwork {

namespace {

constexpr char FieldFlags[] = "-+ 0";
// A wider field than this names no file anyone wants, and would make names
// longer than a file system takes.
constexpr long WidestField = 64;
// Names of a run with a known count looked at before it starts, at most.
constexpr long NamesLookedAt = 10000;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads the digits at `at` as a number of at most WidestField; false for more.
bool ReadCount(const std::string& text, std::size_t& at)
{
    long value = 0;
    while (at < text.size() && IsDigit(text[at])) {
        value = value * 10 + (text[at] - '0');
        if (value > WidestField)
            return false;
        ++at;
    }
    return true;
}

bool IsFolder(const std::string& name)
{
    struct stat info;
    return stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool FrameOutput::Read(const std::string& given, std::string& error)
{
    const std::string shown = "--output: \"" + ShownArgument(given) + "\": ";
    if (given.empty()) {
        error = "--output needs a file name";
        return false;
    }
    text = given;
    before.clear();
    after.clear();
    field.clear();
    if (given == "-") {
        kind = Kind::StandardOutput;
        return true;
    }
    bool numbered = false;
    for (std::size_t i = 0; i < given.size(); ++i) {
        std::string& part = numbered ? after : before;
        if (given[i] != '%') {
            part += given[i];
            continue;
        }
        if (i + 1 < given.size() && given[i + 1] == '%') {
            part += '%';
            ++i;
            continue;
        }
        // A field: flags, width, precision, then its conversion.
        const std::size_t start = i + 1;
        std::size_t at = start;
        while (at < given.size() && given[at] != '\0' && std::strchr(FieldFlags, given[at]))
            ++at;
        bool fits = ReadCount(given, at);
        if (fits && at < given.size() && given[at] == '.') {
            ++at;
            fits = ReadCount(given, at);
        }
        if (!fits) {
            error = shown + "the %d field is wider than " + std::to_string(WidestField) + " characters";
            return false;
        }
        if (at >= given.size() || given[at] != 'd') {
            error = shown + "a frame number is written %d (printf-like, e.g. %04d), and a literal % as %%";
            return false;
        }
        if (numbered) {
            error = shown + "more than one %d field; a name takes one frame number";
            return false;
        }
        numbered = true;
        field = given.substr(start, at - start);
        i = at;
    }
    kind = numbered ? Kind::Numbered : Kind::OneFile;
    return true;
}

std::string FrameOutput::NameOf(long frame) const
{
    if (kind == Kind::StandardOutput)
        return text;
    if (kind == Kind::OneFile)
        return before;  // its "%%" made one %
    // The field was checked to be flags, width and precision only.
    const std::string format = "%" + field + "ld";
    char number[2 * WidestField + 32];
    std::snprintf(number, sizeof number, format.c_str(), frame);
    return before + number + after;
}

std::string FrameOutput::Shown(long frame) const
{
    return kind == Kind::StandardOutput ? std::string("standard output") : ShownArgument(NameOf(frame));
}

std::string RefusedOutput(const FrameOutput& output, long frames, bool stdoutIsTerminal)
{
    if (output.GetKind() == FrameOutput::Kind::StandardOutput) {
        if (stdoutIsTerminal)
            return "--output -: standard output is a terminal; send the frames to a pipe or a file";
        return "";
    }
    const long names = output.GetKind() == FrameOutput::Kind::Numbered ? std::min(std::max(frames, 1L), NamesLookedAt) : 1;
    for (long frame = 0; frame < names; ++frame)
        if (IsFolder(output.NameOf(frame)))
            return output.Shown(frame) + " is a folder: frames are written to files (--output names another)";
    return "";
}

}  // namespace glintwork
