#ifndef GLINTWORK_LITTLEENDIAN_H
#define GLINTWORK_LITTLEENDIAN_H

#include <cstdint>

namespace glintwork {

// Little-endian fields of file headers.
inline uint16_t GetLE16(const unsigned char* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t GetLE32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutLE16(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLE32(unsigned char* p, uint32_t v)
{
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}

}  // namespace glintwork

#endif  // GLINTWORK_LITTLEENDIAN_H
