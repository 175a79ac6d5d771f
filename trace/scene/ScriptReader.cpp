#include "trace/scene/ScriptReader.h"

#include <algorithm>
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

ScriptReader::ScriptReader(std::istream& source, DiagnosticList& diagnostics)
    : diagnostics(diagnostics)
{
    text.assign(std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>());
    // Only a whole mark, and only at the very start. The text keeps it, so
    // that places are offsets into the script as it was read.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bodyStart = 3;
    countedTo = lineStart = bodyStart;
    buffer.Take(text, bodyStart);
    stream.imbue(source.getloc());
    ctype = &std::use_facet<std::ctype<char>>(stream.getloc());
    stream.flags(source.flags());
}

ScriptReader& ScriptReader::operator>>(std::string& word)
{
    ReleaseComment();
    if (stream.fail())
        return *this;
    const std::size_t start = SkipSpace(buffer.Offset());
    if (!(stream >> word))
        return *this;
    const bool runOn = glued.pending && glued.numberEnd == start;
    Token(start, buffer.Offset());
    wordStart = start;
    wordEnd = buffer.Offset();
    wordPlace = PlaceAt(start);
    wordStartsLine = firstOnLine && !runOn;
    wordInComment = lineCommented && !wordStartsLine;
    wordIsRunOn = runOn;
    anyWord = true;
    if (runOn) {
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

bool ScriptReader::NumberFollows()
{
    std::size_t at = SkipSpace(wordEnd);
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    if (at < text.size() && text[at] == '.')
        ++at;
    looked += 2;
    return at < text.size() && text[at] >= '0' && text[at] <= '9';
}

void ScriptReader::Tell(ScenePlace place, SceneDiagnostic::Kind kind, std::string message,
                        SceneDiagnostic::Severity severity)
{
    SceneDiagnostic d;
    d.place = place;
    d.kind = kind;
    d.severity = surveying ? SceneDiagnostic::Severity::Note : severity;
    if (!diagnostics.Counting(kind)) {
        d.text = std::move(message);
        if (surveying)
            d.text += notReadBecause;
    }
    ReleaseComment();
    if (kind == SceneDiagnostic::Kind::CommentKeyword) {
        heldComment = std::move(d);
        commentHeld = true;
        return;
    }
    diagnostics.Add(std::move(d));
}

void ScriptReader::ReleaseComment()
{
    if (commentHeld)
        diagnostics.Add(std::move(heldComment));
    commentHeld = false;
}

void ScriptReader::Refuse(ScenePlace place, std::string message)
{
    if (surveying) {
        Tell(place, SceneDiagnostic::Kind::CountTooLarge, std::move(message));
        return;
    }
    Tell(place, SceneDiagnostic::Kind::CountTooLarge, message, SceneDiagnostic::Severity::Error);
    stopped = true;
    stopPlace = place;
    stopReason = stopMessage = std::move(message);
    notReadBecause = " (not read, because reading stopped at " + std::to_string(place.line) + ":" +
                     std::to_string(place.column) + ")";
    failedWordStart = resumeAt = buffer.Offset();
    resumePending = true;
}

bool ScriptReader::Resume()
{
    if (!resumePending)
        return false;
    resumePending = false;
    ReleaseComment();
    surveying = true;
    glued.pending = false;
    stream.clear();
    // The word passed over still counts for the lines' first words.
    if (failedWordStart < resumeAt)
        Token(failedWordStart, resumeAt);
    buffer.Seek(resumeAt);
    return resumeAt < text.size();
}

void ScriptReader::NumberRead(std::size_t start, std::size_t index)
{
    const std::size_t end = buffer.Offset();
    Token(start, end);
    const bool runOn = glued.pending && glued.numberEnd == start;
    const std::size_t wordFrom = runOn ? glued.wordStart : start;
    if (runOn)
        GluedRestRead(start, Describe(index));
    glued.pending = false;
    previousNumberStart = start;
    previousNumberEnd = end;
    if (end < text.size() && !IsSpace(text[end])) {
        glued.pending = true;
        glued.wordStart = wordFrom;
        glued.numberStart = start;
        glued.numberEnd = end;
        glued.what = Describe(index);
    }
}

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "x600", "x", "*": what stands between a width and a height written as one.
bool SizeJoint(const std::string& word)
{
    if (word == "by")
        return true;
    if (word.empty() || std::strchr("xX*,", word[0]) == nullptr)
        return false;
    return std::all_of(word.begin() + 1, word.end(), IsDigit);
}

}  // namespace

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
            message = "list cut short by the end of the file: " + what + " is missing; what is not given is zero (" +
                      ListHint(index, "") + ")";
            break;
        }
        Tell(part.keywordPlace.Known() ? part.keywordPlace : PlaceAt(start), SceneDiagnostic::Kind::FileEnds, message);
        glued.pending = false;
        return;
    }

    const bool runOn = glued.pending && glued.numberEnd == start;
    const std::size_t from = runOn ? glued.wordStart : start;
    const std::size_t end = WordEnd(start);
    const std::string found = WordShown(from);
    // The rest of a word a number ran into may be a keyword: it is read on from there.
    const std::string rest = text.substr(start, std::min<std::size_t>(end - start, 16));
    const bool restIsKeyword = FindSceneKeyword(rest) != SceneKeywordCount;
    std::string reason, why;
    if (surveying && diagnostics.Counting(SceneDiagnostic::Kind::Stop)) {
        // Only counted: no text.
    } else if (runOn) {
        // The number before ran into this one: the word is what is wrong.
        reason = glued.what + ": expected a number, found " + QuotedWord(found);
        why = " (its " + QuotedWord(text.substr(glued.numberStart, std::min<std::size_t>(glued.numberEnd - glued.numberStart, 41))) +
              " is read; the rest, " + QuotedWord(WordShown(start)) + ", read as " + what + ", is not a number)";
    } else {
        reason = what + ": expected a number, found " + QuotedWord(found);
        if (restIsKeyword)
            why = part.kind == Part::Kind::List ? " (a keyword, " + ListHint(index, found) + ")" : " (a keyword)";
        else if (WrittenAsNumber(text.substr(from, std::min<std::size_t>(end - from, 400))))
            why = " (out of range)";
        else if (part.kind == Part::Kind::List)
            why = " (" + ListHint(index, found) + ")";
    }
    if (std::strcmp(part.keyword, "screen") == 0 && index == 1) {
        const std::string hint = ScreenHint(runOn ? WordShown(start) : found, end);
        if (!hint.empty())
            why = " (" + hint + ")";
    }
    glued.pending = false;
    failedWordStart = from;
    Stop(from, restIsKeyword ? start : end, reason, why);
}

void ScriptReader::Stop(std::size_t from, std::size_t resumeFrom, std::string reason, std::string why)
{
    const ScenePlace place = PlaceAt(from);
    if (commentHeld && heldComment.place.offset == part.keywordPlace.offset) {
        // The keyword should have been a comment's word: one message says both.
        commentHeld = false;
        why += "; \"" + std::string(part.keyword) + "\" at " + std::to_string(part.keywordPlace.line) + ":" +
               std::to_string(part.keywordPlace.column) +
               " is read as a keyword on what looks like a comment line: '#' starts no comment";
    }
    resumeAt = resumeFrom;
    resumePending = true;
    if (surveying) {
        Tell(place, SceneDiagnostic::Kind::Stop, "reading would stop here too: " + reason + why);
        return;
    }
    stopped = true;
    stopPlace = place;
    stopReason = std::move(reason);
    stopMessage = "reading stopped: " + stopReason + why;
    notReadBecause = " (not read, because reading stopped at " + std::to_string(place.line) + ":" +
                     std::to_string(place.column) + ")";
    Tell(place, SceneDiagnostic::Kind::Stop, stopMessage + "; what came before is used");
}

// "after 3 whole entries of 7: are there fewer entries than 7?", and why a
// '#' that meets a list is no comment.
std::string ScriptReader::ListHint(std::size_t index, const std::string& found) const
{
    const std::size_t fieldCount = part.fieldCount == 0 ? 1 : part.fieldCount;
    const std::size_t whole = index / fieldCount;
    const std::string count = std::to_string(part.entries);
    const std::string hint = "after " + std::to_string(whole) + (whole == 1 ? " whole entry" : " whole entries") +
                             " of " + count + ": are there fewer entries than " + count + "?";
    if (found.empty() || found[0] != '#')
        return hint;
    if (std::strcmp(part.keyword, "light") == 0)
        return "'#' starts no comment: \"light " + count + "\" reads all " + count +
               " positions first, then the colour blocks, so with fewer lights written a light's colour is read "
               "as positions; are there fewer lights than " + count + "?";
    return "'#' starts no comment inside a list; " + hint;
}

// `joint`: what followed the width; `after`: the end of that word.
std::string ScriptReader::ScreenHint(const std::string& joint, std::size_t after) const
{
    if (!SizeJoint(joint))
        return "";
    std::string height = joint.size() > 1 && joint != "by" ? joint.substr(1) : "";
    if (height.empty()) {
        std::size_t at = after;
        while (at < text.size() && IsSpace(text[at]))
            ++at;
        height = WordShown(at);
        if (height.empty() || !std::all_of(height.begin(), height.end(), IsDigit))
            height = "HEIGHT";
    }
    const std::string width =
        text.substr(previousNumberStart, std::min<std::size_t>(previousNumberEnd - previousNumberStart, 12));
    return "the width and the height are two numbers, with space between: \"screen " + width + " " + height + "\"";
}

// The characters after a number were read on their own, as `readAs`.
void ScriptReader::GluedRestRead(std::size_t start, const std::string& readAs)
{
    if (diagnostics.Counting(SceneDiagnostic::Kind::RunOn))
        Tell(PlaceAt(glued.wordStart), SceneDiagnostic::Kind::RunOn, "");
    else
        Tell(PlaceAt(glued.wordStart), SceneDiagnostic::Kind::RunOn,
             glued.what + ": " + QuotedWord(WordShown(glued.wordStart)) + " is not one number: its " +
                 QuotedWord(text.substr(glued.numberStart, std::min<std::size_t>(glued.numberEnd - glued.numberStart, 41))) +
                 " is read, and the rest, " + QuotedWord(WordShown(start)) + ", as " + readAs);
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

void ScriptReader::Token(std::size_t start, std::size_t end)
{
    PlaceAt(start);
    firstOnLine = !anyToken || lastTokenEnd < lineStart;
    if (firstOnLine)
        lineCommented = text[start] == '#';
    anyToken = true;
    lastTokenEnd = end;
    looked += end - start;
}

// Lines are counted forward from where they were last counted to: every
// place asked for is on the line counted to or after it.
ScenePlace ScriptReader::PlaceAt(std::size_t offset)
{
    if (offset > text.size())
        offset = text.size();
    std::size_t atLine = line, atLineStart = lineStart;
    if (offset >= countedTo) {
        while (countedTo < offset) {
            const void* at = std::memchr(text.data() + countedTo, '\n', offset - countedTo);
            const std::size_t to = at ? static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) + 1 : offset;
            looked += to - countedTo;
            countedTo = to;
            if (at) {
                ++line;
                lineStart = countedTo;
            }
        }
        atLine = line;
        atLineStart = lineStart;
    } else if (offset < lineStart) {
        // An earlier line: counted from the start, without moving the count.
        atLine = 1;
        atLineStart = bodyStart;
        for (std::size_t i = bodyStart; i < offset; ++i)
            if (text[i] == '\n') {
                ++atLine;
                atLineStart = i + 1;
            }
        looked += offset;
    }
    ScenePlace place;
    place.line = atLine > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(atLine);
    const std::size_t column = offset - atLineStart + 1;
    place.column = column > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(column);
    place.offset = offset;
    return place;
}

// White space as the stream's extraction skips it.
bool ScriptReader::IsSpace(char c) const
{
    return ctype->is(std::ctype_base::space, c);
}

std::size_t ScriptReader::SkipSpace(std::size_t offset)
{
    const std::size_t from = offset;
    while (offset < text.size() && IsSpace(text[offset]))
        ++offset;
    looked += offset - from;
    return offset;
}

std::size_t ScriptReader::WordEnd(std::size_t offset)
{
    const std::size_t from = offset;
    while (offset < text.size() && !IsSpace(text[offset]))
        ++offset;
    looked += offset - from;
    return offset;
}

// At most one byte more than QuotedWord shows, so that it marks the cut.
std::string ScriptReader::WordShown(std::size_t start) const
{
    std::size_t end = start;
    while (end < text.size() && end - start <= 40 && !IsSpace(text[end]))
        ++end;
    return text.substr(start, end - start);
}

}  // namespace glintwork
