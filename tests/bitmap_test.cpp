// The bitmap reader on files built field by field here, on files from ImageMagick, and on
// disk. Malformed headers and sizes are covered by the seed corpus (asset_corpus_test).
#include "assets/bitmap.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <tuple>
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
    InfoBitmap(int32_t width = 1, int32_t height = 1, uint16_t bitCount = 24,
               uint32_t compression = 0, Bytes pixels = {}, Bytes extra = {})
        : width(width),
          height(height),
          bitCount(bitCount),
          compression(compression),
          pixels(pixels),
          extra(extra) {}

    int32_t width;
    int32_t height;
    uint16_t bitCount;
    uint32_t compression;
    Bytes pixels;
    Bytes extra;
    uint32_t colorsUsed = 0;
    bool fileHeader = true;
    int64_t pixelOffset = -1;

    InfoBitmap& packed() {
        fileHeader = false;
        return *this;
    }

    Bytes bytes() const {
        Bytes header;
        for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
            put32(header, v);
        put16(header, 1);
        put16(header, bitCount);
        for (uint32_t v :
             {compression, static_cast<uint32_t>(pixels.size()), 2835u, 2835u, colorsUsed, 0u})
            put32(header, v);
        return withFileHeader(header);
    }

    Bytes withFileHeader(const Bytes& header) const {
        Bytes out;
        const size_t start = (fileHeader ? 14 : 0) + header.size() + extra.size();
        if (fileHeader) {
            out = {'B', 'M'};
            put32(out, static_cast<uint32_t>(start + pixels.size()));
            put32(out, 0);
            put32(out, static_cast<uint32_t>(pixelOffset >= 0 ? pixelOffset
                                                              : static_cast<int64_t>(start)));
        }
        append(out, header);
        append(out, extra);
        if (pixelOffset > static_cast<int64_t>(out.size()))
            out.resize(static_cast<size_t>(pixelOffset), 0xee);
        append(out, pixels);
        return out;
    }
};

// A bitmap with the 12-byte core header.
Bytes coreBitmap(uint16_t width, uint16_t height, uint16_t bitCount, const Bytes& table,
                 const Bytes& pixels, bool fileHeader) {
    InfoBitmap layout{1, 1, 24, 0, pixels, table};
    layout.fileHeader = fileHeader;
    Bytes header;
    put32(header, 12);
    for (uint16_t v : {width, height, uint16_t{1}, bitCount}) put16(header, v);
    return layout.withFileHeader(header);
}

Bytes table4(const std::vector<Bytes>& rgb) {
    Bytes out;
    for (const Bytes& c : rgb) append(out, {c[2], c[1], c[0], 0});
    return out;
}

// A table whose index i holds the grey (i, i, i), and pixels given as greys.
Bytes greyTable(int entries) {
    std::vector<Bytes> colors;
    for (int i = 0; i < entries; ++i) colors.push_back(Bytes(3, static_cast<uint8_t>(i)));
    return table4(colors);
}

Bytes greys(const Bytes& levels) {
    Bytes out;
    for (uint8_t level : levels) out.insert(out.end(), 3, level);
    return out;
}

// times copies of pixel, then times2 of pixel2.
Bytes repeated(const Bytes& pixel, int times, const Bytes& pixel2 = {}, int times2 = 0) {
    Bytes out;
    for (int i = 0; i < times; ++i) append(out, pixel);
    for (int i = 0; i < times2; ++i) append(out, pixel2);
    return out;
}

InfoBitmap rle8(int32_t width, int32_t height, const Bytes& stream) {
    return InfoBitmap{width, height, 8, 1, stream, greyTable(256)};
}

std::unique_ptr<ImageRecord> decodeOk(const Bytes& file) {
    BitmapError error = BitmapError::OutOfMemory;
    auto image = decodeBitmap(file.data(), file.size(), error);
    EXPECT_EQ(error, BitmapError::None);
    return image;
}

struct DecodeCase {
    const char* what;
    Bytes file;
    Bytes rgb;  // bottom row first
};

}  // namespace

TEST(BitmapDecode, EveryPixelFormatArrivesAsRgbBottomRowFirst) {
    std::vector<Bytes> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
    std::vector<Bytes> sixteen(16, Bytes{10, 20, 30});
    sixteen[3] = {200, 100, 50};
    Bytes masks565, masksRgba;
    for (uint32_t m : {0xf800u, 0x07e0u, 0x001fu}) put32(masks565, m);
    for (uint32_t m : {0xff000000u, 0x00ff0000u, 0x0000ff00u}) put32(masksRgba, m);
    const Bytes coreTable = {10, 20, 30, 40, 50, 60};  // blue, green, red per entry
    const Bytes corePixels = {0xff, 0x80, 0, 0, 0x00, 0x00, 0, 0};
    InfoBitmap afterGap{1, 1, 24, 0, {1, 2, 3, 0}};
    afterGap.pixelOffset = 70;  // 16 bytes of something else between header and pixels
    InfoBitmap shortTable = rle8(3, 1, {3, 200, 0, 1});
    shortTable.colorsUsed = 4;
    shortTable.extra.resize(16);
    const DecodeCase cases[] = {
        {"24-bit rows padded from 9 to 12 bytes",
         InfoBitmap{3, 2, 24, 0, {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,
                                  11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}}
             .bytes(),
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19, 18, 17}},
        {"24-bit pixels at the file header's offset", afterGap.bytes(), {3, 2, 1}},
        {"8-bit indices into the table",
         InfoBitmap{5, 1, 8, 0, {0, 1, 200, 255, 9, 0, 0, 0}, table4(ramp)}.bytes(),
         {0, 255, 7, 1, 254, 7, 200, 55, 7, 255, 0, 7, 9, 246, 7}},
        // Packed: the pixels follow the 16-entry table directly, so a wrong length would shift
        // them.
        {"colours used sets the table length; indices past it are black",
         [&] {
             InfoBitmap b{3, 1, 8, 0, {3, 15, 16, 0}, table4(sixteen)};
             b.colorsUsed = 16;
             return b.packed().bytes();
         }(),
         {200, 100, 50, 10, 20, 30, 0, 0, 0}},
        {"1-bit rows, high bit first, padded to 4 bytes",
         InfoBitmap{10,
                    2,
                    1,
                    0,
                    {0b10100000, 0b01000000, 0, 0, 0b00000001, 0b10000000, 0, 0},
                    table4({{0, 0, 0}, {255, 255, 255}})}
             .bytes(),
         greys({255, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0})},
        {"4-bit rows, high nibble first",
         InfoBitmap{3, 2, 4, 0, {0x12, 0xf0, 0, 0, 0x21, 0x10, 0, 0}, greyTable(16)}.bytes(),
         greys({1, 2, 15, 2, 1, 1})},
        // Red only, green only with the top bit set (ignored), blue 16 of 31.
        {"16-bit 5-5-5 widened to the full range",
         InfoBitmap{3, 1, 16, 0, {0x00, 0x7c, 0xe0, 0x83, 0x10, 0x00, 0, 0}}.bytes(),
         {255, 0, 0, 0, 255, 0, 0, 0, 132}},
        {"32-bit, fourth byte ignored",
         InfoBitmap{2, 1, 32, 0, {1, 2, 3, 0xff, 4, 5, 6, 0x80}}.bytes(),
         {3, 2, 1, 6, 5, 4}},
        {"bit fields 5-6-5",
         InfoBitmap{2, 1, 16, 3, {0xe0, 0x07, 0x00, 0xf8}, masks565}.bytes(),
         {0, 255, 0, 255, 0, 0}},
        {"bit fields in the top three bytes",
         InfoBitmap{1, 1, 32, 3, {0x99, 30, 20, 10}, masksRgba}.packed().bytes(),
         {10, 20, 30}},
        {"bottom-up rows", InfoBitmap{1, 3, 24, 0, {1, 1, 1, 0, 2, 2, 2, 0, 3, 3, 3, 0}}.bytes(),
         greys({1, 2, 3})},
        {"top-down rows", InfoBitmap{1, -3, 24, 0, {3, 3, 3, 0, 2, 2, 2, 0, 1, 1, 1, 0}}.bytes(),
         greys({1, 2, 3})},
        {"core header with a file header", coreBitmap(9, 2, 1, coreTable, corePixels, true),
         repeated({60, 50, 40}, 9, {30, 20, 10}, 9)},
        {"packed core header", coreBitmap(9, 2, 1, coreTable, corePixels, false),
         repeated({60, 50, 40}, 9, {30, 20, 10}, 9)},
        // Three of index 5; an absolute run of three padded to 16 bits; end of line; an
        // absolute run of four; two of index 6; end of bitmap.
        {"RLE8 runs, absolute runs and escapes",
         rle8(6, 2, {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 0, 4, 1, 2, 3, 4, 2, 6, 0, 1}).bytes(),
         greys({5, 5, 5, 7, 8, 9, 1, 2, 3, 4, 6, 6})},
        // (0,0); delta right 2, up 1; (3,1); end of line; (0,2); end of bitmap.
        {"RLE8 delta and early end leave black",
         rle8(4, 4, {1, 9, 0, 2, 2, 1, 1, 8, 0, 0, 1, 7, 0, 1}).bytes(),
         greys({9, 0, 0, 0, 0, 0, 0, 8, 7, 0, 0, 0, 0, 0, 0, 0})},
        // 1 2 1 2 1; five nibbles in three bytes and a pad byte; four nibbles in two bytes, one 14.
        {"RLE4 nibbles and padding",
         InfoBitmap{
             5,
             3,
             4,
             2,
             {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 4, 0xab, 0xcd, 1, 0xe0, 0, 1},
             greyTable(16)}
             .bytes(),
         greys({1, 2, 1, 2, 1, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14})},
        {"RLE runs past the row end are clipped",
         rle8(3, 2, {200, 4, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 1, 6, 0, 1}).bytes(),
         greys({4, 4, 4, 6, 0, 0})},
        {"RLE delta or lines past the image stop",
         rle8(2, 2, {1, 1, 0, 2, 255, 255, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3}).bytes(),
         greys({1, 0, 0, 0})},
        {"RLE data without an end", rle8(4, 1, {2, 3}).bytes(), greys({3, 3, 0, 0})},
        {"RLE absolute run cut by the end of the data", rle8(4, 1, {2, 3, 0, 5, 4}).bytes(),
         greys({3, 3, 4, 0})},
        {"RLE delta cut by the end of the data", rle8(4, 1, {2, 3, 0, 2, 1}).bytes(),
         greys({3, 3, 0, 0})},
        {"RLE indices past the table are black", shortTable.bytes(), Bytes(9, 0)},
    };
    for (const DecodeCase& c : cases) {
        const auto image = decodeOk(c.file);
        ASSERT_NE(image, nullptr) << c.what;
        EXPECT_EQ(image->data, c.rgb) << c.what;
        EXPECT_EQ(static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 3,
                  c.rgb.size())
            << c.what;
    }
}

// loadBitmap on real files: silent on success, and exactly one message per failure, with the
// control bytes of a hostile name shown escaped.
TEST(BitmapFile, ReadsFromDiskSilentlyAndShowsOneMessagePerFailure) {
    TempDir dir;
    dir.write("tex/one.bmp", InfoBitmap{1, 1, 24, 0, {9, 8, 7, 0}}.bytes());
    dir.write("v5.bmp", [] {
        Bytes b = InfoBitmap{}.bytes();
        b[14] = 124;
        return b;
    }());
    dir.write("empty.bmp", Bytes{});
    dir.write("two.bmp", InfoBitmap{1, 1, 2}.bytes());
    dir.write("huge.bmp", InfoBitmap{100000, 1}.bytes());
    // Almost no data claiming 8192 x 8193 pixels: over the budget, refused before decoding.
    dir.write("budget.bmp", rle8(8192, 8193, {0, 1}).bytes());
    mkdir(dir.file("folder.bmp").c_str(), 0755);
    ASSERT_EQ(symlink("/dev/null", dir.file("null.bmp").c_str()), 0);
    const std::string longPath =
        dir.path() + "/" + std::string(900, 'p') + "/" + std::string(200, 'q') + ".bmp";
    const std::pair<std::string, std::string> cases[] = {
        {"tex\\one.bmp", ""},
        {dir.file("missing.bmp"),
         "Error: Failed to open DIB file " + dir.file("missing.bmp") + ".\n"},
        {dir.file("empty.bmp"), "Error: Failed to open DIB file " + dir.file("empty.bmp") + ".\n"},
        {dir.file("folder.bmp"),
         "Error: Failed to open DIB file " + dir.file("folder.bmp") + ".\n"},
        {dir.file("null.bmp"), "Error: Failed to open DIB file " + dir.file("null.bmp") + ".\n"},
        {longPath, "Error: Failed to open DIB file " + longPath + ".\n"},
        {dir.file("e\x1b[2Jvil\n.bmp"),
         "Error: Failed to open DIB file " + dir.path() + "/e\\x1b[2Jvil\\x0a.bmp.\n"},
        {dir.file("v5.bmp"), "Error: Unknown DIB file format.\n"},
        {dir.file("two.bmp"), "Error: Image file conversion error.\n"},
        {dir.file("huge.bmp"), "Error: Out of memory.\n"},
        {dir.file("budget.bmp"), "Error: Out of memory.\n"},
    };
    ScopedCwd cwd(dir.path());
    for (const auto& [path, message] : cases) {
        OutputCapture captureOut(1);
        OutputCapture captureErr(2);
        const auto image = loadBitmap(path.c_str());
        EXPECT_EQ(captureErr.finish(), message) << path;
        EXPECT_EQ(captureOut.finish(), "") << path;
        EXPECT_EQ(image != nullptr, message.empty()) << path;
        if (image) {
            EXPECT_EQ(image->data, (Bytes{7, 8, 9}));
        }
    }
}

// Files written by ImageMagick, a common independent writer, against the pixels it was given:
// a 7 x 5 picture (odd row lengths) of a number of shades, top row first as in PPM.
TEST(ForeignBitmap, ImageMagickFilesDecodeToThePixelsTheyWereMadeFrom) {
    TempDir dir;
    std::string out, err;
    if (runProgram({"/bin/sh", "-c", "command -v convert"}, dir.path(), out, err) != 0) {
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    }
    // Shades, options, and the header size, bit count and compression they must give.
    const std::tuple<int, const char*, uint32_t, uint16_t, uint32_t> cases[] = {
        {20, "-type Palette -compress RLE BMP3:", 40, 8, 1},
        {20, "-type Palette -compress None BMP3:", 40, 8, 0},
        {9, "-type Palette BMP3:", 40, 4, 0},
        {2, "-type Palette BMP3:", 40, 1, 0},
        {35, "-type TrueColor BMP3:", 40, 24, 0},
        {20, "-type Palette BMP2:", 12, 8, 0},
        {35, "-type TrueColor BMP2:", 12, 24, 0},
    };
    for (const auto& [shades, options, headerSize, bitCount, compression] : cases) {
        SCOPED_TRACE(options);
        Bytes pixels;
        for (int i = 0; i < 35; ++i) {
            const int shade = i % shades;
            pixels.insert(pixels.end(),
                          {static_cast<uint8_t>(shade * 12), static_cast<uint8_t>(255 - shade * 10),
                           static_cast<uint8_t>(shade % 2 ? 200 : 10)});
        }
        std::string ppm = "P6\n7 5\n255\n";
        dir.write("in.ppm", ppm.append(pixels.begin(), pixels.end()));
        ASSERT_EQ(
            runProgram({"/bin/sh", "-c", std::string("convert in.ppm ") + options + "out.bmp"},
                       dir.path(), out, err),
            0)
            << err;
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
            EXPECT_EQ(Bytes(image->data.begin() + y * 21, image->data.begin() + (y + 1) * 21),
                      expected)
                << "row " << y;
        }
    }
}
