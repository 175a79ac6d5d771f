#include "framework/image/BufferedFile.h"

#include <algorithm>
#include <cstring>

namespace glintwork {

namespace {
constexpr size_t BufferSize = 64 * 1024;
}  // namespace

BufferedFile::BufferedFile(FILE* file, uint64_t fileSize) : file(file), size(fileSize), buffer(BufferSize) {}

bool BufferedFile::Fill(uint64_t offset)
{
    held = 0;
    start = offset;
    if (offset >= size || fseeko(file, off_t(offset), SEEK_SET) != 0)
        return false;
    held = fread(buffer.data(), 1, buffer.size(), file);
    return held > 0;
}

bool BufferedFile::ReadAt(uint64_t offset, void* to, size_t count)
{
    if (offset > size || count > size - offset)
        return false;
    auto* out = static_cast<unsigned char*>(to);
    while (count > 0) {
        if (offset < start || offset >= start + held) {
            if (!Fill(offset))
                return false;
        }
        const size_t from = size_t(offset - start), n = std::min(count, held - from);
        memcpy(out, buffer.data() + from, n);
        out += n;
        offset += n;
        count -= n;
    }
    return true;
}

int BufferedFile::ByteAt(uint64_t offset)
{
    unsigned char byte;
    return ReadAt(offset, &byte, 1) ? byte : -1;
}

}  // namespace glintwork
