#include "assets/bitmap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/process.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
    put16(out, v & 0xffffu);
    put16(out, v >> 16);
}

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// A bitmap with a 40-byte info header, written field by field. `extra` (masks, colour
// table) follows the header; the pixel data follow it unless pixelOffset says otherwise.
struct InfoBitmap {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    uint32_t headerSize = 40;
    bool fileHeader = true;
    int64_t pixelOffset = -1;
    Bytes extra;
    Bytes pixels;

    Bytes bytes() const {
        Bytes header;
        put32(header, headerSize);
        put32(header, static_cast<uint32_t>(width));
        put32(header, static_cast<uint32_t>(height));
        put16(header, 1);
        put16(header, bitCount);
        put32(header, compression);
        put32(header, static_cast<uint32_t>(pixels.size()));
        put32(header, 2835);
        put32(header, 2835);
        put32(header, colorsUsed);
        put32(header, 0);
        header.resize(headerSize, 0);
        return withFileHeader(header);
    }

    Bytes withFileHeader(const Bytes& header) const {
        Bytes out;
        const size_t start = (fileHeader ? 14 : 0) + header.size() + extra.size();
        if (fileHeader) {
            out = {'B', 'M'};
            put32(out, static_cast<uint32_t>(start + pixels.size()));
            put32(out, 0);
            put32(out, static_cast<uint32_t>(pixelOffset >= 0 ? pixelOffset : static_cast<int64_t>(start)));
        }
        append(out, header);
        append(out, extra);
        if (pixelOffset > static_cast<int64_t>(out.size())) out.resize(static_cast<size_t>(pixelOffset), 0xee);
        append(out, pixels);
        return out;
    }
};

// A bitmap with the 12-byte core header.
Bytes coreBitmap(uint16_t width, uint16_t height, uint16_t bitCount, const Bytes& table, const Bytes& pixels,
                 bool fileHeader) {
    InfoBitmap layout;
    layout.fileHeader = fileHeader;
    layout.extra = table;
    layout.pixels = pixels;
    Bytes header;
    put32(header, 12);
    put16(header, width);
    put16(header, height);
    put16(header, 1);
    put16(header, bitCount);
    return layout.withFileHeader(header);
}

Bytes table4(const std::vector<Bytes>& rgb) {
    Bytes out;
    for (const Bytes& c : rgb) append(out, {c[2], c[1], c[0], 0});
    return out;
}

std::unique_ptr<ImageRecord> decode(const Bytes& file, BitmapError& error) {
    return decodeBitmap(file.data(), file.size(), error);
}

std::unique_ptr<ImageRecord> decodeOk(const Bytes& file) {
    BitmapError error = BitmapError::OutOfMemory;
    auto image = decode(file, error);
    EXPECT_EQ(error, BitmapError::None);
    return image;
}

BitmapError decodeFailure(const Bytes& file) {
    BitmapError error = BitmapError::None;
    auto image = decode(file, error);
    EXPECT_EQ(image, nullptr);
    return error;
}

Bytes rgbAt(const ImageRecord& image, int x, int yFromBottom) {
    const size_t at = (static_cast<size_t>(yFromBottom) * image.width + x) * 3;
    return Bytes(image.data.begin() + at, image.data.begin() + at + 3);
}

const Bytes kBlack{0, 0, 0};

}  // namespace

class UncompressedBitmap : public ::testing::Test {};

TEST_F(UncompressedBitmap, TwentyFourBitRowsArriveWithoutFillerBottomRowFirst) {
    InfoBitmap bmp;
    bmp.width = 3;
    bmp.height = 2;
    // Bottom row then top row, blue-green-red, each row padded from 9 to 12 bytes.
    bmp.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    auto image = decodeOk(bmp.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->data, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19, 18, 17}));
}

TEST_F(UncompressedBitmap, EightBitIndicesTakeTheirColourFromTheTable) {
    std::vector<Bytes> colors;
    for (int i = 0; i < 256; ++i) colors.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
    InfoBitmap bmp;
    bmp.width = 5;
    bmp.height = 1;
    bmp.bitCount = 8;
    bmp.extra = table4(colors);
    bmp.pixels = {0, 1, 200, 255, 9, 0, 0, 0};
    auto image = decodeOk(bmp.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{0, 255, 7, 1, 254, 7, 200, 55, 7, 255, 0, 7, 9, 246, 7}));
}

TEST_F(UncompressedBitmap, ColoursUsedSetsTheTableLengthAndIndicesPastItAreBlack) {
    // Packed: the pixels follow the 16-entry table directly, so a wrong table length
    // would shift them.
    std::vector<Bytes> colors(16, Bytes{10, 20, 30});
    colors[3] = {200, 100, 50};
    InfoBitmap bmp;
    bmp.fileHeader = false;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bitCount = 8;
    bmp.colorsUsed = 16;
    bmp.extra = table4(colors);
    bmp.pixels = {3, 15, 16, 0};
    auto image = decodeOk(bmp.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{200, 100, 50, 10, 20, 30, 0, 0, 0}));
}

TEST_F(UncompressedBitmap, TwentyFourBitPixelsStartAtTheFileHeaderOffset) {
    InfoBitmap bmp;
    bmp.pixelOffset = 70;  // 16 bytes of something else between header and pixels
    bmp.pixels = {1, 2, 3, 0};
    auto image = decodeOk(bmp.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{3, 2, 1}));
}

TEST_F(UncompressedBitmap, OneAndFourBitRowsPackPixelsHighBitsFirstAndPadToFourBytes) {
    InfoBitmap one;
    one.width = 10;
    one.height = 2;
    one.bitCount = 1;
    one.extra = table4({{0, 0, 0}, {255, 255, 255}});
    one.pixels = {0b10100000, 0b01000000, 0, 0, 0b00000001, 0b10000000, 0, 0};
    auto image = decodeOk(one.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(rgbAt(*image, 0, 0), (Bytes{255, 255, 255}));
    EXPECT_EQ(rgbAt(*image, 1, 0), kBlack);
    EXPECT_EQ(rgbAt(*image, 2, 0), (Bytes{255, 255, 255}));
    EXPECT_EQ(rgbAt(*image, 9, 0), (Bytes{255, 255, 255}));
    EXPECT_EQ(rgbAt(*image, 7, 1), (Bytes{255, 255, 255}));
    EXPECT_EQ(rgbAt(*image, 8, 1), (Bytes{255, 255, 255}));
    EXPECT_EQ(rgbAt(*image, 9, 1), kBlack);

    InfoBitmap four;
    four.width = 3;
    four.height = 2;
    four.bitCount = 4;
    std::vector<Bytes> colors(16, kBlack);
    colors[1] = {1, 1, 1};
    colors[2] = {2, 2, 2};
    colors[15] = {15, 15, 15};
    four.extra = table4(colors);
    four.pixels = {0x12, 0xf0, 0, 0, 0x21, 0x10, 0, 0};
    image = decodeOk(four.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{1, 1, 1, 2, 2, 2, 15, 15, 15, 2, 2, 2, 1, 1, 1, 1, 1, 1}));
}

TEST_F(UncompressedBitmap, SixteenBitPixelsAreFiveFiveFiveWidenedToFullRange) {
    InfoBitmap bmp;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bitCount = 16;
    // Red only, green only with the top bit set (ignored), blue 16 of 31.
    bmp.pixels = {0x00, 0x7c, 0xe0, 0x83, 0x10, 0x00, 0, 0};
    auto image = decodeOk(bmp.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 132}));
}

TEST_F(UncompressedBitmap, ThirtyTwoBitPixelsIgnoreTheirFourthByte) {
    InfoBitmap bmp;
    bmp.width = 2;
    bmp.bitCount = 32;
    bmp.pixels = {1, 2, 3, 0xff, 4, 5, 6, 0x80};
    auto image = decodeOk(bmp.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST_F(UncompressedBitmap, BitFieldImagesDecodeWithTheirMasks) {
    InfoBitmap rgb565;
    rgb565.width = 2;
    rgb565.bitCount = 16;
    rgb565.compression = 3;
    put32(rgb565.extra, 0xf800);
    put32(rgb565.extra, 0x07e0);
    put32(rgb565.extra, 0x001f);
    rgb565.pixels = {0xe0, 0x07, 0x00, 0xf8};  // pure green (6 bits), pure red
    auto image = decodeOk(rgb565.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{0, 255, 0, 255, 0, 0}));

    InfoBitmap rgba;
    rgba.fileHeader = false;
    rgba.width = 1;
    rgba.bitCount = 32;
    rgba.compression = 3;
    put32(rgba.extra, 0xff000000u);
    put32(rgba.extra, 0x00ff0000u);
    put32(rgba.extra, 0x0000ff00u);
    rgba.pixels = {0x99, 30, 20, 10};
    image = decodeOk(rgba.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{10, 20, 30}));
}

TEST_F(UncompressedBitmap, TopDownRowsGiveTheSameBottomRowFirstImage) {
    InfoBitmap bottomUp;
    bottomUp.width = 1;
    bottomUp.height = 3;
    bottomUp.pixels = {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0};
    InfoBitmap topDown = bottomUp;
    topDown.height = -3;
    topDown.pixels = {3, 3, 3, 0, 2, 2, 2, 0, 1, 1, 1, 0};
    auto a = decodeOk(bottomUp.bytes());
    auto b = decodeOk(topDown.bytes());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->height, 3);
    EXPECT_EQ(a->data, b->data);
    EXPECT_EQ(a->data, (Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}));
}

TEST_F(UncompressedBitmap, CoreHeaderUsesSixteenBitSizesAndThreeByteTableEntries) {
    // Blue, green, red per entry.
    const Bytes table = {10, 20, 30, 40, 50, 60};
    for (bool fileHeader : {true, false}) {
        auto image = decodeOk(coreBitmap(9, 2, 1, table, {0xff, 0x80, 0, 0, 0x00, 0x00, 0, 0}, fileHeader));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, 9);
        EXPECT_EQ(image->height, 2);
        EXPECT_EQ(rgbAt(*image, 0, 0), (Bytes{60, 50, 40}));
        EXPECT_EQ(rgbAt(*image, 8, 0), (Bytes{60, 50, 40}));
        EXPECT_EQ(rgbAt(*image, 0, 1), (Bytes{30, 20, 10}));
    }
}

TEST_F(UncompressedBitmap, NormalisedDescriptionFillsImageSizeAndColoursUsed) {
    auto core = coreBitmap(9, 2, 4, Bytes(48, 0), Bytes(16, 0), false);
    BitmapInfo info;
    BitmapError error = BitmapError::None;
    ASSERT_TRUE(readBitmapInfo(core.data(), core.size(), info, error));
    EXPECT_EQ(info.headerSize, 12u);
    EXPECT_EQ(info.imageSize, 10u);  // (4 * 9 + 7) / 8 * 2
    EXPECT_EQ(info.colorsUsed, 16u);
    EXPECT_EQ(info.colorsImportant, 16u);
    EXPECT_EQ(info.colorTable.size(), 17u * 4u);
    EXPECT_EQ(info.pixelOffset, 12u + 48u);
}

class RunLengthBitmap : public ::testing::Test {
protected:
    // An 8-bit RLE image whose index i has colour (i, i, i).
    static InfoBitmap rle8(int32_t width, int32_t height, const Bytes& stream) {
        std::vector<Bytes> colors;
        for (int i = 0; i < 256; ++i) colors.push_back(Bytes(3, static_cast<uint8_t>(i)));
        InfoBitmap bmp;
        bmp.width = width;
        bmp.height = height;
        bmp.bitCount = 8;
        bmp.compression = 1;
        bmp.extra = table4(colors);
        bmp.pixels = stream;
        return bmp;
    }
    static InfoBitmap rle4(int32_t width, int32_t height, const Bytes& stream) {
        std::vector<Bytes> colors;
        for (int i = 0; i < 16; ++i) colors.push_back(Bytes(3, static_cast<uint8_t>(i)));
        InfoBitmap bmp = rle8(width, height, stream);
        bmp.bitCount = 4;
        bmp.compression = 2;
        bmp.extra = table4(colors);
        return bmp;
    }
    // Grey levels of the image, bottom row first.
    static Bytes greys(const ImageRecord& image) {
        Bytes out;
        for (size_t i = 0; i < image.data.size(); i += 3) out.push_back(image.data[i]);
        return out;
    }
};

TEST_F(RunLengthBitmap, Rle8RunsAbsoluteRunsAndEscapesDecode) {
    const Bytes stream = {
        3, 5,              // three of index 5
        0, 3, 7, 8, 9, 0,  // absolute run of three, padded to a 16-bit boundary
        0, 0,              // end of line
        0, 4, 1, 2, 3, 4,  // absolute run of four, no padding
        2, 6,              // two of index 6
        0, 1,              // end of bitmap
    };
    auto image = decodeOk(rle8(6, 2, stream).bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(greys(*image), (Bytes{5, 5, 5, 7, 8, 9, 1, 2, 3, 4, 6, 6}));
}

TEST_F(RunLengthBitmap, DeltaAndEarlyEndsLeaveSkippedPixelsBlack) {
    const Bytes stream = {
        1, 9,        // (0,0)
        0, 2, 2, 1,  // delta: right 2, up 1 -> (3,1)
        1, 8,        // (3,1)
        0, 0,        // end of line -> row 2
        1, 7, 0, 1,  // (0,2), then end of bitmap
    };
    auto image = decodeOk(rle8(4, 4, stream).bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(greys(*image), (Bytes{9, 0, 0, 0, 0, 0, 0, 8, 7, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(RunLengthBitmap, Rle4AlternatesNibblesAndPadsAbsoluteRuns) {
    const Bytes stream = {
        5, 0x12, 0, 0,                   // 1 2 1 2 1, end of line
        0, 5, 0x34, 0x56, 0x70, 0, 0, 0, // five nibbles in three bytes, one pad byte; end of line
        0, 4, 0xab, 0xcd, 1, 0xe0, 0, 1  // four nibbles in two bytes, no pad; one 14
    };
    auto image = decodeOk(rle4(5, 3, stream).bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(greys(*image), (Bytes{1, 2, 1, 2, 1, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14}));
}

TEST_F(RunLengthBitmap, RunsPastTheRowEndAreClippedWithoutTouchingTheNextRow) {
    const Bytes stream = {
        200, 4,                    // 200 pixels into a 3-wide row
        0, 5, 1, 2, 3, 4, 5, 0,    // absolute run past the end, padded
        0, 0, 1, 6,                // next row
        0, 1,
    };
    auto image = decodeOk(rle8(3, 2, stream).bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(greys(*image), (Bytes{4, 4, 4, 6, 0, 0}));
}

TEST_F(RunLengthBitmap, DeltaOrLinesPastTheImageStopTheDecode) {
    const Bytes stream = {1, 1, 0, 2, 255, 255, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3};
    auto image = decodeOk(rle8(2, 2, stream).bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(greys(*image), (Bytes{1, 0, 0, 0}));
}

TEST_F(RunLengthBitmap, DataEndingEarlyDecodeWhatTheyHold) {
    // No end-of-bitmap; the absolute run and the delta are cut short by the end of the data.
    for (const Bytes& stream : {Bytes{2, 3}, Bytes{2, 3, 0, 5, 4}, Bytes{2, 3, 0, 2, 1}}) {
        auto image = decodeOk(rle8(4, 1, stream).bytes());
        ASSERT_NE(image, nullptr);
        const uint8_t fourth = stream.size() > 3 && stream[3] == 5 ? 4 : 0;
        EXPECT_EQ(greys(*image), (Bytes{3, 3, fourth, 0}));
    }
}

TEST_F(RunLengthBitmap, IndicesPastTheTableAreBlack) {
    InfoBitmap bmp = rle8(3, 1, {3, 200, 0, 1});
    bmp.colorsUsed = 4;
    bmp.extra.resize(16);
    auto image = decodeOk(bmp.bytes());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, Bytes(9, 0));
}

TEST_F(RunLengthBitmap, TopDownOrMismatchedBitCountsCannotBeConverted) {
    EXPECT_EQ(decodeFailure(rle8(2, -2, {0, 1}).bytes()), BitmapError::ConversionError);
    InfoBitmap wrongBits = rle8(2, 2, {0, 1});
    wrongBits.compression = 2;
    EXPECT_EQ(decodeFailure(wrongBits.bytes()), BitmapError::ConversionError);
}

class MalformedBitmap : public ::testing::Test {};

TEST_F(MalformedBitmap, LaterHeaderVersionsAreUnknown) {
    for (uint32_t size : {108u, 124u, 64u, 16u, 0u}) {
        InfoBitmap bmp;
        bmp.headerSize = size < 40 ? 40 : size;
        Bytes file = bmp.bytes();
        file[14] = static_cast<uint8_t>(size);
        EXPECT_EQ(decodeFailure(file), BitmapError::UnknownFormat) << size;
    }
    EXPECT_EQ(decodeFailure({'B', 'M', 1, 2}), BitmapError::UnknownFormat);
}

TEST_F(MalformedBitmap, UnsupportedBitCountsAndCompressionsCannotBeConverted) {
    for (uint16_t bits : {0, 2, 15, 48}) {
        InfoBitmap bmp;
        bmp.bitCount = bits;
        bmp.pixels = Bytes(16, 0);
        EXPECT_EQ(decodeFailure(bmp.bytes()), BitmapError::ConversionError) << bits;
    }
    for (uint32_t compression : {3u, 4u, 5u, 6u}) {
        InfoBitmap bmp;
        bmp.compression = compression;
        bmp.extra = Bytes(12, 0xff);
        bmp.pixels = Bytes(16, 0);
        EXPECT_EQ(decodeFailure(bmp.bytes()), BitmapError::ConversionError) << compression;
    }
}

TEST_F(MalformedBitmap, FilesShorterThanTheirPartsFail) {
    InfoBitmap bmp;
    bmp.width = 4;
    bmp.height = 4;
    bmp.bitCount = 8;
    bmp.extra = Bytes(1024, 0);
    bmp.pixels = Bytes(16, 1);
    const Bytes whole = bmp.bytes();
    ASSERT_NE(decodeOk(whole), nullptr);
    // Cut inside the bitmap header, the table and the pixel data.
    for (size_t size : {size_t{20}, size_t{53}, size_t{100}, whole.size() - 16, whole.size() - 1}) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(decodeFailure(cut), BitmapError::ConversionError) << size;
    }
    InfoBitmap farOffset;
    farOffset.pixels = {1, 2, 3, 0};
    Bytes file = farOffset.bytes();
    file[10] = 0xff;
    file[13] = 0x7f;
    EXPECT_EQ(decodeFailure(file), BitmapError::ConversionError);
    InfoBitmap masksMissing;
    masksMissing.fileHeader = false;
    masksMissing.bitCount = 16;
    masksMissing.compression = 3;
    EXPECT_EQ(decodeFailure(masksMissing.bytes()), BitmapError::ConversionError);
}

TEST_F(MalformedBitmap, EmptyNegativeOrAbsurdSizesFail) {
    const std::pair<int32_t, int32_t> empty[] = {{0, 1}, {1, 0}, {-1, 1}, {-5, -5}, {1, INT32_MIN}};
    for (const auto& [w, h] : empty) {
        InfoBitmap bmp;
        bmp.width = w;
        bmp.height = h;
        bmp.pixels = Bytes(64, 0);
        EXPECT_EQ(decodeFailure(bmp.bytes()), BitmapError::ConversionError) << w << " x " << h;
    }
    const std::pair<int32_t, int32_t> huge[] = {{16385, 1}, {1, 16385}, {1, -16385}, {INT32_MAX, INT32_MAX}};
    for (const auto& [w, h] : huge) {
        InfoBitmap bmp;
        bmp.width = w;
        bmp.height = h;
        bmp.pixels = Bytes(64, 0);
        EXPECT_EQ(decodeFailure(bmp.bytes()), BitmapError::OutOfMemory) << w << " x " << h;
    }
    EXPECT_EQ(decodeFailure(coreBitmap(0, 5, 24, {}, Bytes(8, 0), true)), BitmapError::ConversionError);
    EXPECT_EQ(decodeFailure(coreBitmap(60000, 1, 24, {}, Bytes(8, 0), true)), BitmapError::OutOfMemory);
}

class BitmapFile : public ::testing::Test {
protected:
    TempDir dir;

    // Runs loadBitmap on path, returning the record and what reached stdout and stderr.
    std::unique_ptr<ImageRecord> load(const std::string& path, std::string& out, std::string& err) {
        OutputCapture captureOut(1);
        OutputCapture captureErr(2);
        auto image = loadBitmap(path.c_str());
        err = captureErr.finish();
        out = captureOut.finish();
        return image;
    }
};

TEST_F(BitmapFile, ReadsAFileFromDiskSilently) {
    InfoBitmap bmp;
    bmp.pixels = {9, 8, 7, 0};
    dir.write("tex/one.bmp", bmp.bytes());
    ScopedCwd cwd(dir.path());
    std::string out, err;
    auto image = load("tex\\one.bmp", out, err);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data, (Bytes{7, 8, 9}));
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

TEST_F(BitmapFile, EachFailureShowsExactlyOneMessage) {
    InfoBitmap v5;
    v5.headerSize = 124;
    dir.write("v5.bmp", v5.bytes());
    dir.write("empty.bmp", Bytes{});
    InfoBitmap twoBit;
    twoBit.bitCount = 2;
    dir.write("two.bmp", twoBit.bytes());
    InfoBitmap huge;
    huge.width = 100000;
    dir.write("huge.bmp", huge.bytes());
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("missing.bmp"), "Error: Failed to open DIB file " + dir.file("missing.bmp") + ".\n"},
        {dir.file("empty.bmp"), "Error: Failed to open DIB file " + dir.file("empty.bmp") + ".\n"},
        {dir.file("v5.bmp"), "Error: Unknown DIB file format.\n"},
        {dir.file("two.bmp"), "Error: Image file conversion error.\n"},
        {dir.file("huge.bmp"), "Error: Out of memory.\n"},
    };
    for (const auto& [path, message] : cases) {
        std::string out, err;
        EXPECT_EQ(load(path, out, err), nullptr) << path;
        EXPECT_EQ(err, message);
        EXPECT_EQ(out, "");
    }
}

TEST_F(BitmapFile, TheOpenFailureNamesAPathOfAnyLength) {
    const std::string path = dir.path() + "/" + std::string(900, 'p') + "/" + std::string(200, 'q') + ".bmp";
    std::string out, err;
    EXPECT_EQ(load(path, out, err), nullptr);
    EXPECT_EQ(err, "Error: Failed to open DIB file " + path + ".\n");
}

// Files written by ImageMagick, a common independent writer, against the pixels it was given.
class ForeignBitmap : public ::testing::Test {
protected:
    void SetUp() override {
        std::string out, err;
        if (runProgram({"/bin/sh", "-c", "command -v convert"}, dir.path(), out, err) != 0) {
            GTEST_SKIP() << "ImageMagick's convert is not installed";
        }
    }

    // A 7 x 5 picture (odd row lengths) of `shades` colours, top row first as in PPM.
    void makePicture(int shades) {
        pixels.clear();
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                const int shade = (x + 7 * y) % shades;
                pixels.insert(pixels.end(), {static_cast<uint8_t>(shade * 12), static_cast<uint8_t>(255 - shade * 10),
                                             static_cast<uint8_t>(shade % 2 ? 200 : 10)});
            }
        }
        std::string ppm = "P6\n7 5\n255\n";
        ppm.append(pixels.begin(), pixels.end());
        dir.write("in.ppm", ppm);
    }

    void convertAndCompare(const std::string& options, uint32_t headerSize, uint16_t bitCount, uint32_t compression) {
        std::string out, err;
        ASSERT_EQ(runProgram({"/bin/sh", "-c", "convert in.ppm " + options + "out.bmp"}, dir.path(), out, err), 0) << err;
        const Bytes file = readBinaryFile(dir.file("out.bmp"));
        BitmapInfo info;
        BitmapError error = BitmapError::None;
        ASSERT_TRUE(readBitmapInfo(file.data(), file.size(), info, error));
        EXPECT_EQ(info.headerSize, headerSize);
        EXPECT_EQ(info.bitCount, bitCount);
        EXPECT_EQ(info.compression, compression);
        auto image = decodeOk(file);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->width, 7);
        ASSERT_EQ(image->height, 5);
        for (int y = 0; y < 5; ++y) {
            const Bytes expected(pixels.begin() + (4 - y) * 21, pixels.begin() + (5 - y) * 21);
            const Bytes actual(image->data.begin() + y * 21, image->data.begin() + (y + 1) * 21);
            EXPECT_EQ(actual, expected) << "row " << y << " from the bottom";
        }
    }

    TempDir dir;
    Bytes pixels;
};

TEST_F(ForeignBitmap, Rle8FromImageMagick) {
    makePicture(20);
    convertAndCompare("-type Palette -compress RLE BMP3:", 40, 8, 1);
}

TEST_F(ForeignBitmap, PalettedFromImageMagick) {
    makePicture(20);
    convertAndCompare("-type Palette -compress None BMP3:", 40, 8, 0);
    makePicture(9);
    convertAndCompare("-type Palette BMP3:", 40, 4, 0);
    makePicture(2);
    convertAndCompare("-type Palette BMP3:", 40, 1, 0);
}

TEST_F(ForeignBitmap, TwentyFourBitFromImageMagick) {
    makePicture(35);
    convertAndCompare("-type TrueColor BMP3:", 40, 24, 0);
}

TEST_F(ForeignBitmap, CoreHeaderFromImageMagick) {
    makePicture(20);
    convertAndCompare("-type Palette BMP2:", 12, 8, 0);
    makePicture(35);
    convertAndCompare("-type TrueColor BMP2:", 12, 24, 0);
}
