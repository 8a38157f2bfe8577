// Decoding of the program's embedded pictures (.bmp and .ico file bytes)
// into plain pixel buffers that the X11 backend can draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zanq::x11 {

struct Pixels {
    int width = 0;
    int height = 0;
    int depth = 0;                    // bytes per pixel: 3 (RGB) or 4 (RGBA)
    std::vector<std::uint8_t> data;  // row by row, top row first
};

// An uncompressed .bmp file of 24 or 32 bits per pixel, bottom-up or
// top-down, as RGB. Nothing for anything else or for a damaged file.
std::optional<Pixels> DecodeBitmapFile(const unsigned char* data, std::size_t size);

// The largest 24- or 32-bit image of an .ico file as RGBA (24-bit images
// take their transparency from the AND mask). PNG-compressed images are
// skipped.
std::optional<Pixels> DecodeLargestIcon(const unsigned char* data, std::size_t size);

}  // namespace zanq::x11
