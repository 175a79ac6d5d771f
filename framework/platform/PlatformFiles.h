#ifndef GLINTWORK_PLATFORMFILES_H
#define GLINTWORK_PLATFORMFILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace glintwork {

// Opens a regular file for reading in binary mode and reports its length.
// Folders, pipes and devices are refused at once, without blocking, so that a
// reader never waits on a FIFO or reads a device without end. Null on failure.
FILE* PlatformOpenFile(const char* path, uint64_t* size);

// Why the last failing PlatformOpenFile on this thread failed: the system's
// words, taken at the call that failed ("No such file or directory", "Not a
// directory", "Permission denied", "Is a directory"), or "not a regular
// file". Valid until the next open on this thread.
const char* PlatformOpenFailure();

// One run of bytes of a file being written.
struct PlatformFilePart {
    const void* data;
    size_t size;
};

// Writes the parts, in order, as the whole new contents of `path`, or changes
// nothing; false on failure, and PlatformWriteFailure() says why.
//
// What stands at `path` decides what happens, looked at and written relative
// to an open descriptor of its folder, so that no rename of a folder can slip
// in between the checks and the write:
// - nothing, or a regular file: the bytes go to a new file without a name
//   (O_TMPFILE), which takes the place of `path` only once every byte is
//   written, so a reader, or a kill at any instant, finds the old file or
//   the new one, never part of one. A new file gets the usual permissions;
//   an existing one keeps its own (less set-user-ID and set-group-ID). An
//   existing file that this user may not write to (by the kernel's rules, as
//   access(W_OK) answers them) is refused: "Permission denied". Where the
//   file system has no unnamed files, a temporary ".glintwork-XXXXXX" file
//   in the same folder stands in for it; the first write to a folder
//   removes such temporaries left behind by a killed program (ours,
//   regular, and no longer held by any program).
// - a symbolic link (or a chain of them): followed where the kernel's
//   protected_symlinks rule would follow it, and the file it names is written
//   the same way (the link stays a link). A link in a sticky folder writable
//   by all, owned neither by this user nor by the folder's owner, is refused.
// - a character device (/dev/null): written through, without blocking.
// - a folder, a FIFO, a socket, a block device: refused, left as they are.
bool PlatformWriteFileWhole(const char* path, const PlatformFilePart* parts, int count);

// Why the last failing PlatformWriteFileWhole on this thread failed: the
// system's words for the error ("No space left on device", "Is a
// directory", "Too many levels of symbolic links", ...) or one of the
// refusals above ("Is a FIFO; not replaced", ...). Valid until the next
// write on this thread.
const char* PlatformWriteFailure();

// Reads `size` bytes at `offset`; false when the file ends first.
bool PlatformReadAt(FILE* file, uint64_t offset, void* to, size_t size);

}  // namespace glintwork

#endif  // GLINTWORK_PLATFORMFILES_H
