#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A decoded bitmap: width x height pixels of R, G, B bytes, rows without filler,
// bottom row first.
struct ImageRecord {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> data;
};

// Why a decode failed; each maps to the one message the user is shown.
enum class BitmapError { None, UnknownFormat, ConversionError, OutOfMemory };

// Largest side and pixel count accepted, far beyond any texture of this program; bigger
// images fail with OutOfMemory before anything is reserved for them, whatever little data
// the file holds.
constexpr int32_t kMaxBitmapSide = 16384;
constexpr int64_t kMaxBitmapPixels = int64_t{64} << 20;

// The source described in the 40-byte info-header layout, whatever header the file had,
// with its colour table and, for bit-field images, its masks.
struct BitmapInfo {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // negative for rows stored top-down
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    uint32_t colorsUsed = 0;
    uint32_t colorsImportant = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    std::vector<uint8_t> colorTable;  // 4 bytes per entry: blue, green, red, 0
    size_t pixelOffset = 0;           // start of the pixel data in the file
};

// The message text shown for an error ("Unknown DIB file format." ...); "" for None.
const char* bitmapErrorText(BitmapError error);

// Reads the file and bitmap headers, the masks and the colour table. Returns false and
// sets error when the header is of an unknown size (UnknownFormat) or the headers, masks or
// table do not fit in the file (ConversionError). Looks at nothing past the table.
bool readBitmapInfo(const uint8_t* bytes, size_t size, BitmapInfo& info, BitmapError& error);

// Decodes a whole BMP file held in memory. Returns nullptr and sets error on failure;
// never reads outside bytes[0, size). Prints nothing. Uncompressed pixel data shorter than
// the image fail (ConversionError); run-length data that stop early, runs past a row's end
// and palette indices past the table decode safely (clipped, black).
std::unique_ptr<ImageRecord> decodeBitmap(const uint8_t* bytes, size_t size, BitmapError& error);

// Reads and decodes a bitmap file as loadBitmap does, but shows nothing: on failure returns
// nullptr with error set, or with error None when the file cannot be opened or read, is not
// a regular file or is empty (what loadBitmap shows as "Failed to open DIB file").
std::unique_ptr<ImageRecord> readBitmapFile(const char* path, BitmapError& error);

// Reads and decodes a bitmap file, taking in only the headers and the pixel data the image
// can use, so memory follows the image and not the file. A file cut short while it is read
// fails as the shorter file would. On failure shows exactly one message through the error
// display ("Failed to open DIB file %s.\n" for a missing, unreadable, empty or not regular
// file) and returns nullptr. Prints nothing on standard output.
std::unique_ptr<ImageRecord> loadBitmap(const char* path);
