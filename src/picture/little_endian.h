// Reading and writing the little-endian fields of BMP files and Windows
// programs, whatever the host's own byte order.
#ifndef BRIMSHADE_LITTLE_ENDIAN_H
#define BRIMSHADE_LITTLE_ENDIAN_H

#include <cstdint>
#include <vector>

inline uint16_t GetLe16(const uint8_t *pBytes)
{
    return static_cast<uint16_t>(pBytes[0] | pBytes[1] << 8);
}

inline uint32_t GetLe32(const uint8_t *pBytes)
{
    return uint32_t(pBytes[0]) | uint32_t(pBytes[1]) << 8 | uint32_t(pBytes[2]) << 16 | uint32_t(pBytes[3]) << 24;
}

inline void PutLe32(uint8_t *pBytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) pBytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void AppendLe16(std::vector<uint8_t> *pOut, uint32_t value)
{
    pOut->push_back(static_cast<uint8_t>(value));
    pOut->push_back(static_cast<uint8_t>(value >> 8));
}

inline void AppendLe32(std::vector<uint8_t> *pOut, uint32_t value)
{
    AppendLe16(pOut, value);
    AppendLe16(pOut, value >> 16);
}

#endif
