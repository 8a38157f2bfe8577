// The program's picture and icons as the resource step embeds them.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "../../app/resource.h"
#include "window/backend.h"

namespace {

std::uint32_t U32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
std::int32_t I32(const unsigned char* p) { return static_cast<std::int32_t>(U32(p)); }
std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

TEST(WindowResourcesTest, BackgroundIsA619By300BottomUpUncompressed24BitBitmap) {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(zanq::ui::FindBitmapResource(IDB_BACKGROUND, data, size));
    ASSERT_GE(size, 54u);
    EXPECT_EQ(data[0], 'B');
    EXPECT_EQ(data[1], 'M');
    EXPECT_EQ(U32(data + 2), size);
    const std::uint32_t offset = U32(data + 10);
    EXPECT_EQ(U32(data + 14), 40u);
    EXPECT_EQ(I32(data + 18), 619);
    EXPECT_EQ(I32(data + 22), 300);  // positive: bottom-up
    EXPECT_EQ(U16(data + 26), 1);
    EXPECT_EQ(U16(data + 28), 24);
    EXPECT_EQ(U32(data + 30), 0u);  // BI_RGB
    const std::size_t row = (619 * 3 + 3) / 4 * 4;
    ASSERT_EQ(size, offset + row * 300);

    auto pixel = [&](int x, int y) {  // top-down coordinates, as on screen
        const unsigned char* p = data + offset + row * static_cast<std::size_t>(299 - y) + x * 3;
        return std::make_tuple(p[2], p[1], p[0]);
    };
    // The painted button is green; where the status text goes it is dark.
    auto [r, g, b] = pixel(300, 213);
    EXPECT_GT(g, r);
    EXPECT_GT(g, b);
    for (auto [x, y] : {std::pair{290, 244}, std::pair{400, 262}, std::pair{560, 270}}) {
        auto [dr, dg, db] = pixel(x, y);
        EXPECT_LT(dr + dg + db, 150) << x << "," << y;
    }
}

struct IconImage {
    int size;
    int bits;
    bool operator==(const IconImage&) const = default;
};

std::vector<IconImage> ReadIcon(int id, std::vector<unsigned char>& pixels) {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::vector<IconImage> images;
    if (!zanq::ui::FindIconResource(id, data, size) || size < 6) return images;
    EXPECT_EQ(U16(data), 0);
    EXPECT_EQ(U16(data + 2), 1);
    const int count = U16(data + 4);
    for (int i = 0; i < count; ++i) {
        const unsigned char* entry = data + 6 + 16 * i;
        const int side = entry[0] ? entry[0] : 256;
        const int bits = U16(entry + 6);
        const std::uint32_t bytes = U32(entry + 8);
        const std::uint32_t at = U32(entry + 12);
        EXPECT_LE(at + bytes, size);
        // The image's own header agrees with the directory; its height
        // counts the colour bits and the mask.
        const unsigned char* header = data + at;
        EXPECT_EQ(I32(header + 4), side);
        EXPECT_EQ(I32(header + 8), 2 * side);
        EXPECT_EQ(U16(header + 14), bits);
        const std::size_t palette = bits <= 8 ? (std::size_t{1} << bits) * 4 : 0;
        const std::size_t colourRow = (static_cast<std::size_t>(side) * bits + 31) / 32 * 4;
        const std::size_t maskRow = (static_cast<std::size_t>(side) + 31) / 32 * 4;
        EXPECT_EQ(bytes, 40 + palette + (colourRow + maskRow) * side) << side << "x" << bits;
        pixels.insert(pixels.end(), header, header + bytes);
        images.push_back(IconImage{side, bits});
    }
    return images;
}

TEST(WindowResourcesTest, EachIconGroupHasNineImagesOfTheRightSizesAndDepths) {
    const std::vector<IconImage> expected = {{48, 4}, {32, 4}, {16, 4}, {48, 8}, {32, 8},
                                             {16, 8}, {48, 32}, {32, 24}, {16, 32}};
    std::vector<unsigned char> first, second;
    EXPECT_EQ(ReadIcon(IDI_APPICON, first), expected);
    EXPECT_EQ(ReadIcon(IDI_APPICON2, second), expected);
    EXPECT_NE(first, second);  // two different pictures
}

}  // namespace
