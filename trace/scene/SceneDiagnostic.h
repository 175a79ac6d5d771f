#ifndef GLINTWORK_SCENEDIAGNOSTIC_H
#define GLINTWORK_SCENEDIAGNOSTIC_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace glintwork {

// A place in a scene script, as compilers give it: line and column from 1,
// the column counted in bytes (a tab is one, a byte-order mark none). Line 0:
// no place. `offset` is the byte the place names in the script as it was
// read, for showing its line.
struct ScenePlace {
    std::uint32_t line = 0;
    std::uint32_t column = 0;
    std::size_t offset = 0;
    bool wholeFile = false;  // a finding about the whole file, placed at 1:1

    bool Known() const { return line != 0; }
};

// One finding about a scene script: where, how serious, and what. The
// program prints it as "FILE:LINE:COLUMN: warning: TEXT" (or "FILE: error:
// TEXT" when it has no place).
struct SceneDiagnostic {
    enum class Severity {
        Warning,  // the scene is read and can be used, perhaps not as meant
        Error,    // the scene cannot be used
        Note,     // what the rest of the file holds after reading stopped; how many were not shown
    };
    // What it is about; at most so many of each kind are kept.
    enum class Kind {
        Other,
        KeywordCase,       // "Sphere": a keyword but for its case
        NearKeyword,       // "shpere": a keyword but for a letter or two
        CommentKeyword,    // a keyword on a line whose first word starts with '#'
        MaterialsUnread,   // "materialSP" with no spheres to dress
        NoMaterials,       // spheres that no "materialSP" follows
        Stop,              // a number that cannot be read
        RunOn,             // a number run into the characters after it
        FileEnds,          // the file ends before a value or in a list
        CountTooLarge,     // a count above its limit
        AfterStop,         // the check: what is missing because reading stopped where it did
        Omitted,           // how many more of a kind were not kept
    };
    static constexpr std::size_t KindCount = static_cast<std::size_t>(Kind::Omitted) + 1;

    ScenePlace place;
    Severity severity = Severity::Warning;
    Kind kind = Kind::Other;
    std::string text;  // one line, no newline
};

}  // namespace glintwork

#endif
