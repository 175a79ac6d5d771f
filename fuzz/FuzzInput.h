#ifndef GLINTWORK_FUZZINPUT_H
#define GLINTWORK_FUZZINPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace glintwork {

// The fuzzed bytes as a file: the image readers take a file name. The file
// lives in shared memory (/dev/shm) when that exists, else in the temporary
// folder, and is named after the process so that several fuzzers can run at
// once. `name` ends the file name; its extension matters to some readers.
// Returns the path; the same file is rewritten on every call.
const std::string& WriteFuzzInput(const uint8_t* data, size_t size, const char* name);

// The path WriteFuzzInput uses for `name`, without writing anything; it is
// removed at exit all the same.
const std::string& FuzzFilePath(const char* name);

// Removes the files written by WriteFuzzInput.
void RemoveFuzzInputs();

}  // namespace glintwork

#endif  // GLINTWORK_FUZZINPUT_H
