#ifndef GLINTWORK_SCRIPTFILE_H
#define GLINTWORK_SCRIPTFILE_H

#include <cstdint>
#include <string>

namespace glintwork {

// The whole text of a scene script, taken from one open descriptor: the file
// is opened without waiting (a FIFO or a device put where the script was
// never blocks the open) and what was opened is checked before anything is
// read, so nothing can be swapped in between the check and the read.
enum class ScriptFileResult {
    Read,     // `text` holds the whole file
    Missing,  // no such file, or a folder on the way is missing or not one; `reason` says which
    Refused,  // `reason` says why: not a regular file, too large, a read error
};

ScriptFileResult ReadScriptFile(const char* path, std::uint64_t largest, std::string& text, std::string& reason);

}  // namespace glintwork

#endif
