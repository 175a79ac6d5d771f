#ifndef GLINTWORK_SCRIPTREADER_H
#define GLINTWORK_SCRIPTREADER_H

#include <cstddef>
#include <cstdint>
#include <istream>
#include <locale>
#include <streambuf>
#include <string>

#include "trace/scene/DiagnosticList.h"
#include "trace/scene/SceneDiagnostic.h"

namespace glintwork {

// A word as a message shows it: in double quotes, control characters,
// quotes and backslashes escaped, cut after 40 bytes.
std::string QuotedWord(const std::string& word);

// The words and numbers of a scene script, read by formatted extraction as a
// stream reads them (the same words, the same numbers, the same failures),
// with the place of each. The whole script is taken from the source stream
// first; a UTF-8 byte-order mark at its very start is passed over, so that
// columns are counted as an editor shows them.
//
// Where a number cannot be read, runs into the characters after it, or is
// missing at the end of the file, a warning is added to `diagnostics`,
// naming the keyword, the entry and the number of the list being read
// (Expect) and what was found there. After reading stopped, Resume reads on
// through the rest of the file for what it holds: everything found there is
// told as a note that says where reading stopped.
//
// Every character is looked at a bounded number of times, whatever the
// shape of the file (Looked counts them).
class ScriptReader {
public:
    // What the numbers read next are.
    struct Part {
        enum class Kind {
            Count,  // the count after a listed keyword
            Value,  // single values: screen width and height, the depth limit
            List,   // entries of `fieldCount` numbers each
        };
        Kind kind = Kind::Value;
        const char* keyword = "";
        const char* const* fields = nullptr;  // a name for each number of an entry
        std::size_t fieldCount = 1;
        const char* entryName = "entry";
        std::size_t entries = 0;                   // List: how many
        bool fromZero = false;                     // List: entries numbered from 0
        const char* const* entryNames = nullptr;   // List: names of the first entries
        std::size_t entryNameCount = 0;
        ScenePlace keywordPlace;
    };

    ScriptReader(std::istream& source, DiagnosticList& diagnostics);
    ScriptReader(const ScriptReader&) = delete;
    ScriptReader& operator=(const ScriptReader&) = delete;

    ScriptReader& operator>>(std::string& word);
    ScriptReader& operator>>(std::uint32_t& value) { return Number(value); }
    ScriptReader& operator>>(float& value) { return Number(value); }
    ScriptReader& operator>>(double& value) { return Number(value); }
    explicit operator bool() const { return !stream.fail(); }

    // The numbers read from now on are `part`'s, from its first.
    void Expect(const Part& part);

    ScenePlace WordPlace() const { return wordPlace; }      // of the last word read
    ScenePlace NumberPlace() const { return numberPlace; }  // of the last number read or tried
    std::string NumberText() const { return WordShown(numberStart); }  // as written there
    // Whether the last word read stands in what looks like a comment: a
    // line whose first word starts with '#' (the word itself not that one).
    bool WordInCommentLine() const { return wordInComment; }
    // Whether the last word read is the first on its line.
    bool WordStartsLine() const { return wordStartsLine; }
    // Whether the last word read is what followed a number without space.
    bool WordIsRunOn() const { return wordIsRunOn; }
    // Whether the next word after the last word read starts like a number.
    bool NumberFollows();

    // A finding at `place`: a warning (or as given) while reading, a note
    // that says where reading stopped after Resume. A keyword on a comment
    // line is held until its numbers are read: where they stop the reading,
    // the stop's message says it instead.
    void Tell(ScenePlace place, SceneDiagnostic::Kind kind, std::string text,
              SceneDiagnostic::Severity severity = SceneDiagnostic::Severity::Warning);
    // A count above its limit: an error that ends the reading (a note after Resume).
    void Refuse(ScenePlace place, std::string text);
    // Whether findings of this kind are only counted now: no text is needed.
    bool Counting(SceneDiagnostic::Kind kind) const { return diagnostics.Counting(kind); }

    bool Stopped() const { return stopped; }  // at a number that cannot be read, or a refused count
    ScenePlace StopPlace() const { return stopPlace; }
    const std::string& StopReason() const { return stopReason; }    // "<what>: expected a number, found \"x\""
    const std::string& StopMessage() const { return stopMessage; }  // "reading stopped: <reason> (<why>)"
    bool AnyWord() const { return anyWord; }

    // After a stop: goes on past what stopped the reading (at it, when it is
    // a keyword), telling what is found from then on as notes. False when
    // there is nothing left to read.
    bool Resume();
    bool Surveying() const { return surveying; }

    // Characters looked at so far, by the reader and by the extractions.
    std::uint64_t Looked() const { return looked; }

private:
    class TextBuffer : public std::streambuf {
    public:
        void Take(std::string& text, std::size_t from) { setg(&text[0], &text[0] + from, &text[0] + text.size()); }
        void Seek(std::size_t offset) { setg(eback(), eback() + offset, egptr()); }
        std::size_t Offset() const { return static_cast<std::size_t>(gptr() - eback()); }
    };

    // A number that ran into the characters after it: they are read next.
    struct Glued {
        bool pending = false;
        std::size_t wordStart = 0, numberStart = 0, numberEnd = 0;
        std::string what;
    };

    void ReleaseComment();
    template <typename T> ScriptReader& Number(T& value);
    void NumberRead(std::size_t start, std::size_t index);
    void NumberMissed(std::size_t start, std::size_t index);
    void Stop(std::size_t wordStart, std::size_t resumeAt, std::string reason, std::string why);
    void GluedRestRead(std::size_t start, const std::string& readAs);
    std::string Describe(std::size_t index) const;
    std::string ListHint(std::size_t index, const std::string& found) const;
    std::string ScreenHint(const std::string& joint, std::size_t after) const;

    // Every word and number passes here, in order: lines and first words.
    void Token(std::size_t start, std::size_t end);
    ScenePlace PlaceAt(std::size_t offset);
    bool IsSpace(char c) const;
    std::size_t SkipSpace(std::size_t offset);
    std::size_t WordStart(std::size_t offset);
    std::size_t WordEnd(std::size_t offset);
    std::string WordShown(std::size_t start) const;  // enough of the word for QuotedWord

    std::string text;
    std::size_t bodyStart = 0;  // after a byte-order mark
    TextBuffer buffer;
    std::istream stream{&buffer};
    const std::ctype<char>* ctype = nullptr;  // the stream's idea of white space
    DiagnosticList& diagnostics;

    Part part;
    std::size_t numbersInPart = 0;
    Glued glued;
    std::size_t wordStart = 0, wordEnd = 0, numberStart = 0;
    ScenePlace wordPlace, numberPlace;
    bool wordInComment = false, wordStartsLine = false, wordIsRunOn = false;
    bool anyWord = false;

    // Where the lines were counted to, and the line there.
    std::size_t countedTo = 0, line = 1, lineStart = 0;
    bool anyToken = false, firstOnLine = false;
    std::size_t lastTokenEnd = 0;
    std::size_t previousNumberStart = 0, previousNumberEnd = 0;
    bool lineCommented = false;  // the first word of the line starts with '#'

    bool stopped = false;
    ScenePlace stopPlace;
    std::string stopReason, stopMessage, notReadBecause;
    SceneDiagnostic heldComment;
    bool commentHeld = false;
    std::size_t failedWordStart = 0, resumeAt = 0;
    bool resumePending = false, surveying = false;
    std::uint64_t looked = 0;
};

template <typename T> ScriptReader& ScriptReader::Number(T& value)
{
    if (stream.fail())
        return *this;
    const std::size_t start = SkipSpace(buffer.Offset());
    const std::size_t index = numbersInPart++;
    numberStart = start;
    numberPlace = PlaceAt(start);
    if (stream >> value)
        NumberRead(start, index);
    else
        NumberMissed(start, index);
    return *this;
}

}  // namespace glintwork

#endif
