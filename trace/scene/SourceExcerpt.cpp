#include "trace/scene/SourceExcerpt.h"

#include <algorithm>
#include <cstring>

namespace glintwork {

namespace {

constexpr std::size_t Widest = 100;  // bytes of a line shown whole
constexpr std::size_t Around = 50;   // of a wider line, bytes shown each side of the column

bool Continues(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 character at `at` (up to `end`) when it is a
// printable one, or 0: a control character, or a byte that starts none.
std::size_t PrintableLength(const std::string& s, std::size_t at, std::size_t end)
{
    const unsigned char c = static_cast<unsigned char>(s[at]);
    if (c < 0x80)
        return c >= 0x20 && c != 0x7F ? 1 : 0;
    const std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (length == 0 || at + length > end)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if (!Continues(static_cast<unsigned char>(s[at + i])))
            return 0;
    const unsigned char second = static_cast<unsigned char>(s[at + 1]);
    if ((c == 0xC2 && second < 0xA0) ||             // C1 controls
        (c == 0xE0 && second < 0xA0) || (c == 0xF0 && second < 0x90) ||  // overlong
        (c == 0xED && second >= 0xA0) || (c == 0xF4 && second >= 0x90))  // surrogates, past U+10FFFF
        return 0;
    return length;
}

}  // namespace

std::string SourceExcerpt(const std::string& script, ScenePlace place)
{
    if (!place.Known() || place.wholeFile || place.offset > script.size() || place.column == 0)
        return "";
    const std::size_t at = place.offset;
    const std::size_t lineStart = at - std::min<std::size_t>(at, place.column - 1);
    // The line's end, looked for no further than is shown.
    const std::size_t limit = std::min(script.size(), at + Widest);
    const void* newline = std::memchr(script.data() + at, '\n', limit - at);
    std::size_t lineEnd = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - script.data()) : limit;
    const bool cutAfter = !newline && limit < script.size();
    if (!cutAfter && lineEnd > lineStart && script[lineEnd - 1] == '\r')
        --lineEnd;  // a CRLF line's end
    std::size_t from = lineStart, to = lineEnd;
    if (cutAfter || lineEnd - lineStart > Widest) {
        // Around the column, whole characters only.
        if (at - lineStart > Around) {
            from = at - Around;
            while (from < at && Continues(static_cast<unsigned char>(script[from])))
                ++from;
        }
        if (to - at > Around) {
            to = at + Around;
            while (to > at && Continues(static_cast<unsigned char>(script[to])))
                --to;
        }
    }

    std::string shown, caret;
    if (from > lineStart) {
        shown = "...";
        caret = "   ";
    }
    for (std::size_t i = from; i < to;) {
        const bool before = i < at;
        if (script[i] == '\t') {
            shown += '\t';
            if (before)
                caret += '\t';
            ++i;
            continue;
        }
        const std::size_t length = PrintableLength(script, i, to);
        if (length == 0) {
            static const char hex[] = "0123456789abcdef";
            const unsigned char c = static_cast<unsigned char>(script[i]);
            shown += std::string("\\x") + hex[c >> 4] + hex[c & 15];
            if (before)
                caret += "    ";
            ++i;
            continue;
        }
        shown.append(script, i, length);
        if (before)
            caret += ' ';
        i += length;
    }
    if (to < lineEnd || (cutAfter && to == lineEnd))
        shown += "...";
    return shown + "\n" + caret + "^";
}

}  // namespace glintwork
