#ifndef GLINTWORK_SCENEDIAGNOSTIC_H
#define GLINTWORK_SCENEDIAGNOSTIC_H

#include <cstdint>
#include <string>

namespace glintwork {

// A place in a scene script, as compilers give it: line and column from 1,
// the column counted in bytes (a tab is one). Line 0: no place.
struct ScenePlace {
    std::uint32_t line = 0;
    std::uint32_t column = 0;

    bool Known() const { return line != 0; }
};

// One finding about a scene script: where, how serious, and what. The
// program prints it as "FILE:LINE:COLUMN: warning: TEXT" (or "FILE: error:
// TEXT" when it has no place).
struct SceneDiagnostic {
    enum class Severity {
        Warning,  // the scene is read and can be used, perhaps not as meant
        Error,    // the scene cannot be used
    };

    ScenePlace place;
    Severity severity = Severity::Warning;
    std::string text;  // one line, no newline
};

}  // namespace glintwork

#endif
