#include "trace/scene/ScriptReader.h"

#include <cstring>
#include <iterator>
#include <locale>

#include "trace/scene/SceneKeywords.h"

namespace glintwork {

std::string QuotedWord(const std::string& text)
{
    constexpr std::size_t Longest = 40;
    std::string shown = "\"";
    for (std::size_t i = 0; i < text.size() && i < Longest; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') {
            static const char hex[] = "0123456789abcdef";
            shown += c == '"' || c == '\\' ? std::string("\\") + static_cast<char>(c)
                                            : std::string("\\x") + hex[c >> 4] + hex[c & 15];
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (text.size() > Longest)
        shown += "...";
    return shown + "\"";
}

namespace {

// Whether `word` is written as a decimal number (sign, digits, a fraction,
// an exponent): then a failed read means it is out of range.
bool WrittenAsNumber(const std::string& word)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < word.size() && word[i] >= '0' && word[i] <= '9')
            ++i;
        return i - from;
    };
    if (i < word.size() && (word[i] == '+' || word[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    if (i < word.size() && word[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
        ++i;
        if (i < word.size() && (word[i] == '+' || word[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == word.size();
}

}  // namespace

ScriptReader::ScriptReader(std::istream& source, std::vector<SceneDiagnostic>& diagnostics)
    : diagnostics(diagnostics)
{
    text.assign(std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>());
    // Only a whole mark, and only at the very start.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    buffer.Take(text);
    stream.imbue(source.getloc());
    ctype = &std::use_facet<std::ctype<char>>(stream.getloc());
    stream.flags(source.flags());
}

ScriptReader& ScriptReader::operator>>(std::string& word)
{
    if (stream.fail())
        return *this;
    const std::size_t start = SkipSpace(buffer.Offset());
    if (!(stream >> word))
        return *this;
    wordStart = start;
    anyWord = true;
    if (glued.pending && glued.numberEnd == start) {
        const bool keyword = FindSceneKeyword(word) != SceneKeywordCount;
        GluedRestRead(start, keyword ? "the keyword " + QuotedWord(word) : "a word that is skipped");
    }
    glued.pending = false;
    return *this;
}

void ScriptReader::Expect(const Part& next)
{
    part = next;
    numbersInPart = 0;
}

bool ScriptReader::WordInCommentLine() const
{
    std::size_t lineStart = wordStart;
    while (lineStart > 0 && text[lineStart - 1] != '\n')
        --lineStart;
    std::size_t first = lineStart;
    while (first < wordStart && text[first] != '\n' && IsSpace(text[first]))
        ++first;
    return first < wordStart && text[first] == '#';
}

ScenePlace ScriptReader::PlaceAt(std::size_t offset) const
{
    if (offset > text.size())
        offset = text.size();
    if (offset < countedTo) {
        countedTo = 0;
        countedLine = 1;
        countedLineStart = 0;
    }
    while (countedTo < offset) {
        const void* at = std::memchr(text.data() + countedTo, '\n', offset - countedTo);
        if (!at) {
            countedTo = offset;
            break;
        }
        countedTo = static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) + 1;
        ++countedLine;
        countedLineStart = countedTo;
    }
    ScenePlace place;
    place.line = countedLine > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(countedLine);
    const std::size_t column = offset - countedLineStart + 1;
    place.column = column > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(column);
    return place;
}

void ScriptReader::NumberRead(std::size_t start, std::size_t index)
{
    if (glued.pending && glued.numberEnd == start)
        GluedRestRead(start, Describe(index));
    glued.pending = false;
    const std::size_t end = buffer.Offset();
    if (end < text.size() && !IsSpace(text[end])) {
        glued.pending = true;
        glued.wordStart = WordStart(start);
        glued.numberStart = start;
        glued.numberEnd = end;
        glued.what = Describe(index);
    }
}

void ScriptReader::NumberMissed(std::size_t start, std::size_t index)
{
    const std::string what = Describe(index);
    if (start >= text.size()) {
        // The end of the file: reading ends here as it would anyway.
        std::string message;
        switch (part.kind) {
        case Part::Kind::Count:
            message = "the file ends before " + what + "; this \"" + part.keyword + "\" has no effect";
            break;
        case Part::Kind::Value:
            message = "the file ends before " + what + "; it keeps its earlier value";
            break;
        case Part::Kind::List:
            message = "list cut short by the end of the file: " + what + " is missing; what is not given is zero";
            break;
        }
        Warn(part.keywordPlace.Known() ? part.keywordPlace : PlaceAt(start), message);
        glued.pending = false;
        return;
    }

    const std::size_t from = WordStart(start);
    const std::string found = WordFrom(from);
    std::string detail;
    stopped = true;
    stopPlace = PlaceAt(from);
    if (glued.pending && glued.numberEnd == start) {
        // The number before ran into this one: the word is what is wrong.
        stopReason = glued.what + ": expected a number, found " + QuotedWord(found);
        detail = " (its " + QuotedWord(text.substr(glued.numberStart, glued.numberEnd - glued.numberStart)) +
                 " is read; the rest, " + QuotedWord(WordFrom(start)) + ", read as " + what + ", is not a number)";
    } else {
        stopReason = what + ": expected a number, found " + QuotedWord(found);
        if (FindSceneKeyword(found) != SceneKeywordCount) {
            if (part.kind == Part::Kind::List)
                detail = " (a keyword: are there fewer entries than " + std::to_string(part.entries) + "?)";
            else
                detail = " (a keyword)";
        } else if (WrittenAsNumber(found)) {
            detail = " (out of range)";
        }
    }
    glued.pending = false;
    Warn(stopPlace, "reading stopped: " + stopReason + detail + "; what came before is used");
}

// The characters after a number were read on their own, as `readAs`.
void ScriptReader::GluedRestRead(std::size_t start, const std::string& readAs)
{
    const std::string word = WordFrom(glued.wordStart);
    Warn(PlaceAt(glued.wordStart), glued.what + ": " + QuotedWord(word) + " is not one number: its " +
                                       QuotedWord(text.substr(glued.numberStart, glued.numberEnd - glued.numberStart)) +
                                       " is read, and the rest, " + QuotedWord(WordFrom(start)) + ", as " + readAs);
    glued.pending = false;
}

// "\"sphere\" entry 2 of 3, radius", "\"light\" count", "\"screen\" height".
std::string ScriptReader::Describe(std::size_t index) const
{
    std::string what = QuotedWord(part.keyword);
    const std::size_t fieldCount = part.fieldCount == 0 ? 1 : part.fieldCount;
    const char* field = part.fields ? part.fields[index % fieldCount] : nullptr;
    switch (part.kind) {
    case Part::Kind::Count:
        return what + " count";
    case Part::Kind::Value:
        return field ? what + " " + field : what;
    case Part::Kind::List:
        break;
    }
    const std::size_t entry = index / fieldCount;
    what += std::string(" ") + part.entryName + " ";
    if (part.fromZero)
        what += std::to_string(entry) + " (of 0 to " + std::to_string(part.entries - 1) + ")";
    else
        what += std::to_string(entry + 1) + " of " + std::to_string(part.entries);
    if (entry < part.entryNameCount)
        what += std::string(" (") + part.entryNames[entry] + ")";
    if (field)
        what += std::string(", ") + field;
    return what;
}

void ScriptReader::Warn(ScenePlace place, std::string message)
{
    SceneDiagnostic d;
    d.place = place;
    d.severity = SceneDiagnostic::Severity::Warning;
    d.text = std::move(message);
    diagnostics.push_back(std::move(d));
}

// White space as the stream's extraction skips it.
bool ScriptReader::IsSpace(char c) const
{
    return ctype->is(std::ctype_base::space, c);
}

std::size_t ScriptReader::SkipSpace(std::size_t offset) const
{
    while (offset < text.size() && IsSpace(text[offset]))
        ++offset;
    return offset;
}

std::size_t ScriptReader::WordStart(std::size_t offset) const
{
    while (offset > 0 && !IsSpace(text[offset - 1]))
        --offset;
    return offset;
}

std::string ScriptReader::WordFrom(std::size_t start) const
{
    std::size_t end = start;
    while (end < text.size() && !IsSpace(text[end]))
        ++end;
    return text.substr(start, end - start);
}

}  // namespace glintwork
