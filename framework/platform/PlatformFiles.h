#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Opens a regular file for reading in binary mode and reports its length.
// Folders, pipes and devices are refused at once, without blocking, so that a
// reader never waits on a FIFO or reads a device without end. Null on failure.
FILE* PlatformOpenFile(const char* path, uint64_t* size);

// One run of bytes of a file being written.
struct PlatformFilePart {
    const void* data;
    size_t size;
};

// Writes the parts, in order, as the whole new contents of `path`, or changes
// nothing. The bytes go to a temporary file in the same folder, which takes
// the place of `path` only once every byte is written and the file is closed;
// on any failure the temporary file is removed and false is returned, so a
// reader of `path` never sees a half-written file. A new file gets the usual
// permissions; an existing one keeps its own.
bool PlatformWriteFileWhole(const char* path, const PlatformFilePart* parts, int count);

// Reads `size` bytes at `offset`; false when the file ends first.
bool PlatformReadAt(FILE* file, uint64_t offset, void* to, size_t size);
