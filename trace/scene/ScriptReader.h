#ifndef GLINTWORK_SCRIPTREADER_H
#define GLINTWORK_SCRIPTREADER_H

#include <cstddef>
#include <cstdint>
#include <istream>
#include <locale>
#include <streambuf>
#include <string>
#include <vector>

#include "trace/scene/SceneDiagnostic.h"

namespace glintwork {

// A word as a message shows it: in double quotes, control characters,
// quotes and backslashes escaped, cut after 40 bytes.
std::string QuotedWord(const std::string& word);

// The words and numbers of a scene script, read by formatted extraction as a
// stream reads them (the same words, the same numbers, the same failures),
// with the place of each. The whole script is taken from the source stream
// first; a UTF-8 byte-order mark at its very start is dropped, so that
// columns are counted as an editor shows them.
//
// Where a number cannot be read, runs into the characters after it, or is
// missing at the end of the file, a warning is added to `diagnostics`,
// naming the keyword, the entry and the number of the list being read
// (Expect) and what was found there.
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

    ScriptReader(std::istream& source, std::vector<SceneDiagnostic>& diagnostics);
    ScriptReader(const ScriptReader&) = delete;
    ScriptReader& operator=(const ScriptReader&) = delete;

    ScriptReader& operator>>(std::string& word);
    ScriptReader& operator>>(std::uint32_t& value) { return Number(value); }
    ScriptReader& operator>>(float& value) { return Number(value); }
    ScriptReader& operator>>(double& value) { return Number(value); }
    explicit operator bool() const { return !stream.fail(); }

    // The numbers read from now on are `part`'s, from its first.
    void Expect(const Part& part);

    ScenePlace WordPlace() const { return PlaceAt(wordStart); }      // of the last word read
    ScenePlace NumberPlace() const { return PlaceAt(numberStart); }  // of the last number read or tried
    std::string NumberText() const { return WordFrom(numberStart); }   // as written there
    // Whether the last word read stands in what looks like a comment: a
    // line whose first word starts with '#' (the word itself not that one).
    bool WordInCommentLine() const;

    bool Stopped() const { return stopped; }  // at a number that cannot be read
    ScenePlace StopPlace() const { return stopPlace; }
    const std::string& StopReason() const { return stopReason; }  // "<what>: expected a number, found \"x\""
    bool AnyWord() const { return anyWord; }

    ScenePlace PlaceAt(std::size_t offset) const;

private:
    class TextBuffer : public std::streambuf {
    public:
        void Take(std::string& text) { setg(&text[0], &text[0], &text[0] + text.size()); }
        std::size_t Offset() const { return static_cast<std::size_t>(gptr() - eback()); }
    };

    // A number that ran into the characters after it: they are read next.
    struct Glued {
        bool pending = false;
        std::size_t wordStart = 0, numberStart = 0, numberEnd = 0;
        std::string what;
    };

    template <typename T> ScriptReader& Number(T& value);
    void NumberRead(std::size_t start, std::size_t index);
    void NumberMissed(std::size_t start, std::size_t index);
    void GluedRestRead(std::size_t start, const std::string& readAs);
    std::string Describe(std::size_t index) const;
    void Warn(ScenePlace place, std::string text);

    bool IsSpace(char c) const;
    std::size_t SkipSpace(std::size_t offset) const;
    std::size_t WordStart(std::size_t offset) const;
    std::string WordFrom(std::size_t start) const;

    std::string text;
    TextBuffer buffer;
    std::istream stream{&buffer};
    const std::ctype<char>* ctype = nullptr;  // the stream's idea of white space
    std::vector<SceneDiagnostic>& diagnostics;

    Part part;
    std::size_t numbersInPart = 0;
    Glued glued;
    std::size_t wordStart = 0, numberStart = 0;
    bool anyWord = false;
    bool stopped = false;
    ScenePlace stopPlace;
    std::string stopReason;

    // PlaceAt counts lines forward from where it was last asked.
    mutable std::size_t countedTo = 0, countedLine = 1, countedLineStart = 0;
};

template <typename T> ScriptReader& ScriptReader::Number(T& value)
{
    if (stream.fail())
        return *this;
    const std::size_t start = SkipSpace(buffer.Offset());
    const std::size_t index = numbersInPart++;
    numberStart = start;
    if (stream >> value)
        NumberRead(start, index);
    else
        NumberMissed(start, index);
    return *this;
}

}  // namespace glintwork

#endif
