#ifndef GLINTWORK_BUFFEREDFILE_H
#define GLINTWORK_BUFFEREDFILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace glintwork {

// Reads a file at any offset through one buffer of its bytes. A scan over a
// file that asks for a byte or a few at a time, forwards or a little back,
// costs one seek and one read a buffer instead of a seek and a read a
// request, so checking a file of millions of tiny segments stays as quick as
// reading it once.
class BufferedFile {
public:
    BufferedFile(FILE* file, uint64_t fileSize);

    uint64_t Size() const { return size; }

    // Copies `count` bytes from `offset`; false when the file ends first.
    bool ReadAt(uint64_t offset, void* to, size_t count);

    // The byte at `offset`, or -1 past the end (or on a read error).
    int ByteAt(uint64_t offset);

private:
    // Makes the buffer hold the bytes from `offset` on; false when none are
    // there.
    bool Fill(uint64_t offset);

    FILE* file;
    uint64_t size;
    std::vector<unsigned char> buffer;
    uint64_t start = 0;  // the file offset of buffer[0]
    size_t held = 0;     // bytes of the buffer that hold the file's
};

}  // namespace glintwork

#endif  // GLINTWORK_BUFFEREDFILE_H
