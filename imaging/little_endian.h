#pragma once
// Little-endian fields of the image files' headers, stored at a byte offset of a header block.
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessaline {

inline void putLittleEndian16(std::span<uint8_t> block, size_t offset, uint16_t value) noexcept {
    block[offset] = static_cast<uint8_t>(value & 0xFFu);
    block[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void putLittleEndian32(std::span<uint8_t> block, size_t offset, uint32_t value) noexcept {
    putLittleEndian16(block, offset, static_cast<uint16_t>(value & 0xFFFFu));
    putLittleEndian16(block, offset + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace tessaline
