#include "images.h"

#include <cstdlib>

namespace zanq::x11 {
namespace {

std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Read16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr int kMaxSide = 4096;

// The pixels of a device-independent bitmap: `header` points at its
// BITMAPINFOHEADER, `end` past the data that belongs to it. `rows` is the
// number of colour rows (an icon's header counts the mask rows too).
// `pixelOffset` is where the colour rows start, from `header`.
std::optional<Pixels> DecodeDib(const unsigned char* header, const unsigned char* end, int rows,
                                std::size_t pixelOffset, bool withMask) {
    const auto width = static_cast<std::int32_t>(Read32(header + 4));
    const int bits = Read16(header + 14);
    const std::uint32_t compression = Read32(header + 16);
    const bool bitfields32 = compression == 3 && bits == 32;  // BI_BITFIELDS, assumed BGRA order
    if ((compression != 0 && !bitfields32) || (bits != 24 && bits != 32)) return std::nullopt;
    if (width <= 0 || width > kMaxSide || rows == 0 || std::abs(rows) > kMaxSide) return std::nullopt;
    const bool bottomUp = rows > 0;
    const int height = std::abs(rows);
    const std::size_t stride = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) / 8 + 3) & ~std::size_t{3};
    const std::size_t maskStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    const std::size_t needed = pixelOffset + stride * static_cast<std::size_t>(height) +
                               (withMask && bits == 24 ? maskStride * static_cast<std::size_t>(height) : 0);
    if (static_cast<std::size_t>(end - header) < needed) return std::nullopt;

    Pixels out;
    out.width = width;
    out.height = height;
    out.depth = withMask ? 4 : 3;
    out.data.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * static_cast<std::size_t>(out.depth));
    const unsigned char* colours = header + pixelOffset;
    const unsigned char* mask = colours + stride * static_cast<std::size_t>(height);
    for (int y = 0; y < height; ++y) {
        const int sourceRow = bottomUp ? height - 1 - y : y;
        const unsigned char* row = colours + stride * static_cast<std::size_t>(sourceRow);
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(bits / 8);
            std::uint8_t* q = &out.data[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
                                        static_cast<std::size_t>(out.depth)];
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            if (out.depth == 4) {
                if (bits == 32) {
                    q[3] = p[3];
                } else {
                    const unsigned char* maskRow = mask + maskStride * static_cast<std::size_t>(sourceRow);
                    const bool transparent = (maskRow[x / 8] >> (7 - x % 8)) & 1;
                    q[3] = transparent ? 0 : 255;
                }
            }
        }
    }
    return out;
}

}  // namespace

std::optional<Pixels> DecodeBitmapFile(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t pixelsAt = Read32(data + 10);
    const unsigned char* header = data + kFileHeaderSize;
    if (Read32(header) < kInfoHeaderSize || pixelsAt < kFileHeaderSize || pixelsAt >= size) return std::nullopt;
    const auto rows = static_cast<std::int32_t>(Read32(header + 8));
    return DecodeDib(header, data + size, rows, pixelsAt - kFileHeaderSize, false);
}

std::optional<Pixels> DecodeLargestIcon(const unsigned char* data, std::size_t size) {
    constexpr std::size_t kDirSize = 6, kEntrySize = 16;
    if (data == nullptr || size < kDirSize || Read16(data) != 0 || Read16(data + 2) != 1) return std::nullopt;
    const std::size_t count = Read16(data + 4);
    if (size < kDirSize + count * kEntrySize) return std::nullopt;

    std::optional<Pixels> best;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* entry = data + kDirSize + i * kEntrySize;
        const std::uint32_t length = Read32(entry + 8);
        const std::uint32_t offset = Read32(entry + 12);
        if (offset >= size || length > size - offset || length < kInfoHeaderSize) continue;
        const unsigned char* header = data + offset;
        if (Read32(header) != kInfoHeaderSize) continue;  // PNG or unknown header
        // An icon's header counts the colour rows and the mask rows.
        const auto rows = static_cast<std::int32_t>(Read32(header + 8)) / 2;
        auto image = DecodeDib(header, header + length, rows, kInfoHeaderSize, true);
        if (!image) continue;
        if (!best || image->width * image->height > best->width * best->height) best = std::move(image);
    }
    return best;
}

}  // namespace zanq::x11
