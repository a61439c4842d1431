#include "assets/bitmap.h"

#include <algorithm>
#include <new>
#include <string>

#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kNoCompression = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool fits(size_t size, size_t offset, size_t length) {
    return offset <= size && length <= size - offset;
}

uint32_t tableEntriesForBitCount(uint16_t bitCount) {
    switch (bitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

void readCoreHeader(const uint8_t* h, BitmapInfo& info) {
    info.width = read16(h + 4);
    info.height = read16(h + 6);
    info.planes = read16(h + 8);
    info.bitCount = read16(h + 10);
    info.compression = kNoCompression;
    info.colorsUsed = tableEntriesForBitCount(info.bitCount);
    info.colorsImportant = info.colorsUsed;
}

void readInfoHeader(const uint8_t* h, BitmapInfo& info) {
    info.width = static_cast<int32_t>(read32(h + 4));
    info.height = static_cast<int32_t>(read32(h + 8));
    info.planes = read16(h + 12);
    info.bitCount = read16(h + 14);
    info.compression = read32(h + 16);
    info.imageSize = read32(h + 20);
    info.colorsUsed = read32(h + 32);
    info.colorsImportant = read32(h + 36);
}

uint32_t tableEntries(const BitmapInfo& info) {
    if (info.headerSize == kInfoHeaderSize && info.colorsUsed != 0)
        return info.colorsUsed & 0xffffu;
    return tableEntriesForBitCount(info.bitCount);
}

// Copies the table into the normalised 4-byte layout with one spare (black) entry.
void copyColorTable(const uint8_t* table, uint32_t entries, size_t entrySize, BitmapInfo& info) {
    info.colorTable.assign((static_cast<size_t>(entries) + 1) * 4, 0);
    for (uint32_t i = 0; i < entries; ++i) {
        std::copy(table + i * entrySize, table + i * entrySize + 3,
                  info.colorTable.begin() + i * 4);
    }
}

// The image size of 0 stands for the plain size of the rows; unsigned arithmetic keeps
// odd headers from overflowing (the value only describes the source).
void normaliseSizes(BitmapInfo& info, uint32_t entries) {
    if (info.imageSize == 0) {
        const uint32_t rowBytes =
            (static_cast<uint32_t>(info.bitCount) * static_cast<uint32_t>(info.width) + 7u) / 8u;
        info.imageSize = rowBytes * static_cast<uint32_t>(info.height);
    }
    if (info.colorsUsed == 0) info.colorsUsed = entries;
}

bool readMasks(const uint8_t* bytes, size_t size, size_t at, BitmapInfo& info) {
    if (!fits(size, at, 12)) return false;
    info.redMask = read32(bytes + at);
    info.greenMask = read32(bytes + at + 4);
    info.blueMask = read32(bytes + at + 8);
    return true;
}

void setDefaultMasks(BitmapInfo& info) {
    if (info.bitCount == 16) {
        info.redMask = 0x7c00u;
        info.greenMask = 0x03e0u;
        info.blueMask = 0x001fu;
    } else if (info.bitCount == 32) {
        info.redMask = 0x00ff0000u;
        info.greenMask = 0x0000ff00u;
        info.blueMask = 0x000000ffu;
    }
}

// The output: rows of width R, G, B pixels, bottom row first, cleared to black.
struct Target {
    int32_t width = 0;
    int32_t rows = 0;
    bool topDown = false;
    uint8_t* data = nullptr;

    // Start of the output row that holds the source's row-th stored row.
    uint8_t* row(int32_t row) const {
        const int32_t bottomUp = topDown ? rows - 1 - row : row;
        return data + static_cast<size_t>(bottomUp) * static_cast<size_t>(width) * 3;
    }
};

void putColor(uint8_t* out, const uint8_t* bgr) {
    out[0] = bgr[2];
    out[1] = bgr[1];
    out[2] = bgr[0];
}

// Indices past the table select the spare entry or a zero slot: black.
struct Palette {
    uint8_t bgr[256 * 4] = {};
    explicit Palette(const BitmapInfo& info) {
        const size_t n = std::min(info.colorTable.size(), sizeof bgr);
        std::copy(info.colorTable.begin(), info.colorTable.begin() + static_cast<std::ptrdiff_t>(n),
                  bgr);
    }
    const uint8_t* at(unsigned index) const { return bgr + index * 4; }
};

void decodeIndexedRow(const uint8_t* src, int bitCount, const Palette& palette, uint8_t* out,
                      int32_t width) {
    const unsigned mask = (1u << bitCount) - 1u;
    const int perByte = 8 / bitCount;
    for (int32_t x = 0; x < width; ++x) {
        const int shift = 8 - bitCount * (1 + x % perByte);
        const unsigned index = (src[x / perByte] >> shift) & mask;
        putColor(out + x * 3, palette.at(index));
    }
}

void decodeRgbRow(const uint8_t* src, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x) putColor(out + x * 3, src + x * 3);
}

// One colour channel of a masked pixel, widened to 8 bits by exact scaling.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (mask == 0) return;
        while (((mask >> shift) & 1u) == 0) ++shift;
        max = mask >> shift;
    }
    uint8_t value(uint32_t pixel) const {
        if (max == 0) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (max == 255) return static_cast<uint8_t>(v);
        return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255u + max / 2) / max);
    }
};

struct MaskDecoder {
    Channel red, green, blue;
    explicit MaskDecoder(const BitmapInfo& info)
        : red(info.redMask), green(info.greenMask), blue(info.blueMask) {}

    void row(const uint8_t* src, int bitCount, uint8_t* out, int32_t width) const {
        const int bytes = bitCount / 8;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = src + x * bytes;
            const uint32_t pixel = bytes == 2 ? read16(p) : read32(p);
            out[x * 3] = red.value(pixel);
            out[x * 3 + 1] = green.value(pixel);
            out[x * 3 + 2] = blue.value(pixel);
        }
    }
};

size_t rowStride(const BitmapInfo& info, int32_t width) {
    return (static_cast<size_t>(info.bitCount) * static_cast<size_t>(width) + 31) / 32 * 4;
}

// Uncompressed rows must all be in the file (the last one may lack its filler bytes);
// run-length data may stop anywhere.
size_t uncompressedBytes(const BitmapInfo& info) {
    const int32_t rows = info.height < 0 ? -info.height : info.height;
    const size_t lastRow =
        (static_cast<size_t>(info.bitCount) * static_cast<size_t>(info.width) + 7) / 8;
    return rowStride(info, info.width) * static_cast<size_t>(rows - 1) + lastRow;
}

bool isRunLength(const BitmapInfo& info) {
    return info.compression == kRle8 || info.compression == kRle4;
}

// How many bytes from the start of the pixel data decoding can use. Run-length data are
// taken up to four bytes a pixel, what the costliest command for one pixel takes (a delta
// that skips it), with an end-of-line escape for each row and one end-of-bitmap: no encoder
// needs more, and what a stream holds past that is taken as cut off.
size_t usefulPixelBytes(const BitmapInfo& info) {
    if (!isRunLength(info)) return uncompressedBytes(info);
    const size_t pixels = static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
    return 4 * pixels + 2 * static_cast<size_t>(info.height) + 2;
}

void decodeUncompressed(const BitmapInfo& info, const uint8_t* pixels, const Target& target) {
    const size_t stride = rowStride(info, target.width);
    const Palette palette(info);
    const MaskDecoder masks(info);
    for (int32_t y = 0; y < target.rows; ++y) {
        const uint8_t* src = pixels + stride * static_cast<size_t>(y);
        uint8_t* out = target.row(y);
        if (info.bitCount <= 8) {
            decodeIndexedRow(src, info.bitCount, palette, out, target.width);
        } else if (info.bitCount == 24) {
            decodeRgbRow(src, out, target.width);
        } else {
            masks.row(src, info.bitCount, out, target.width);
        }
    }
}

// Run-length decoding: writes past a row's end or above the last row are dropped, data
// that end early leave the rest black, as do pixels skipped by a delta or an early end.
class RleDecoder {
  public:
    RleDecoder(const BitmapInfo& info, const uint8_t* src, size_t size, const Target& target)
        : palette(info), src(src), size(size), target(target), fourBit(info.bitCount == 4) {}

    void run() {
        while (pos + 2 <= size && y < target.rows) {
            const uint8_t count = src[pos];
            const uint8_t value = src[pos + 1];
            pos += 2;
            if (count > 0) {
                encodedRun(count, value);
            } else if (!escape(value)) {
                return;
            }
        }
    }

  private:
    // Callers stop at the row's end, so x < width here.
    void put(unsigned index) {
        putColor(target.row(y) + static_cast<size_t>(x) * 3, palette.at(index));
        ++x;
    }

    void encodedRun(unsigned count, uint8_t value) {
        for (unsigned i = 0; i < count && x < target.width; ++i) {
            put(fourBit ? ((i & 1u) ? value & 0x0fu : value >> 4) : value);
        }
    }

    void absoluteRun(unsigned count) {
        const size_t bytes = fourBit ? (count + 1) / 2 : count;
        const size_t available = std::min(bytes, size - pos);
        for (unsigned i = 0; i < count && x < target.width; ++i) {
            const size_t at = fourBit ? i / 2 : i;
            if (at >= available) break;
            const uint8_t b = src[pos + at];
            put(fourBit ? ((i & 1u) ? b & 0x0fu : b >> 4) : b);
        }
        // Absolute runs are padded to a 16-bit boundary.
        pos += std::min(size - pos, bytes + (bytes & 1u));
    }

    // Handles the escape after a zero count; false at the end of the bitmap.
    bool escape(uint8_t code) {
        switch (code) {
            case 0:
                x = 0;
                ++y;
                return true;
            case 1:
                return false;
            case 2:
                if (pos + 2 > size) return false;
                x = std::min<int32_t>(x + src[pos], target.width);
                y += src[pos + 1];
                pos += 2;
                return true;
            default:
                absoluteRun(code);
                return true;
        }
    }

    const Palette palette;
    const uint8_t* src;
    size_t size;
    const Target& target;
    bool fourBit;
    size_t pos = 0;
    int32_t x = 0;
    int32_t y = 0;
};

bool supportedFormat(const BitmapInfo& info) {
    switch (info.compression) {
        case kNoCompression: {
            const uint16_t b = info.bitCount;
            return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
        }
        case kRle8:
            return info.bitCount == 8 && info.height > 0;
        case kRle4:
            return info.bitCount == 4 && info.height > 0;
        case kBitFields:
            return info.bitCount == 16 || info.bitCount == 32;
        default:
            return false;
    }
}

BitmapError checkImage(const BitmapInfo& info) {
    if (info.width <= 0 || info.height == 0 || info.height == INT32_MIN)
        return BitmapError::ConversionError;
    const int64_t rows = info.height < 0 ? -static_cast<int64_t>(info.height) : info.height;
    if (info.width > kMaxBitmapSide || rows > kMaxBitmapSide ||
        info.width * rows > kMaxBitmapPixels) {
        return BitmapError::OutOfMemory;
    }
    return supportedFormat(info) ? BitmapError::None : BitmapError::ConversionError;
}

// Decodes under a checked description; pixels holds count bytes from the start of the
// pixel data on.
std::unique_ptr<ImageRecord> decodeImage(const BitmapInfo& info, const uint8_t* pixels,
                                         size_t count, BitmapError& error) {
    if (!isRunLength(info) && count < uncompressedBytes(info)) {
        error = BitmapError::ConversionError;
        return nullptr;
    }
    try {
        auto record = std::make_unique<ImageRecord>();
        record->width = info.width;
        record->height = info.height < 0 ? -info.height : info.height;
        record->data.assign(
            static_cast<size_t>(record->width) * static_cast<size_t>(record->height) * 3, 0);
        const Target target{record->width, record->height, info.height < 0, record->data.data()};
        if (isRunLength(info)) {
            RleDecoder(info, pixels, count, target).run();
        } else {
            decodeUncompressed(info, pixels, target);
        }
        error = BitmapError::None;
        return record;
    } catch (const std::bad_alloc&) {
        error = BitmapError::OutOfMemory;
        return nullptr;
    }
}

// The farthest any header reaches: the file header, an info header, bit-field masks and a
// colour table of 65535 entries.
constexpr size_t kMaxHeaderBytes = kFileHeaderSize + kInfoHeaderSize + 12 + 0xffff * 4;

}  // namespace

const char* bitmapErrorText(BitmapError error) {
    switch (error) {
        case BitmapError::UnknownFormat:
            return "Unknown DIB file format.";
        case BitmapError::ConversionError:
            return "Image file conversion error.";
        case BitmapError::OutOfMemory:
            return "Out of memory.";
        case BitmapError::None:
            break;
    }
    return "";
}

bool readBitmapInfo(const uint8_t* bytes, size_t size, BitmapInfo& info, BitmapError& error) {
    info = BitmapInfo{};
    const bool fileHeader = size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    const size_t headerAt = fileHeader ? kFileHeaderSize : 0;
    if (!fits(size, headerAt, 4)) {
        error = BitmapError::UnknownFormat;
        return false;
    }
    info.headerSize = read32(bytes + headerAt);
    if (info.headerSize != kCoreHeaderSize && info.headerSize != kInfoHeaderSize) {
        error = BitmapError::UnknownFormat;
        return false;
    }
    error = BitmapError::ConversionError;
    if (!fits(size, headerAt, info.headerSize)) return false;
    const bool core = info.headerSize == kCoreHeaderSize;
    if (core) {
        readCoreHeader(bytes + headerAt, info);
    } else {
        readInfoHeader(bytes + headerAt, info);
    }
    size_t tableAt = headerAt + info.headerSize;
    if (info.compression == kBitFields) {
        if (!readMasks(bytes, size, tableAt, info)) return false;
        tableAt += 12;
    } else {
        setDefaultMasks(info);
    }
    const uint32_t entries = tableEntries(info);
    const size_t entrySize = core ? 3 : 4;
    if (!fits(size, tableAt, entries * entrySize)) return false;
    copyColorTable(bytes + tableAt, entries, entrySize, info);
    normaliseSizes(info, entries);
    info.pixelOffset = fileHeader ? read32(bytes + 10) : tableAt + entries * entrySize;
    error = BitmapError::None;
    return true;
}

std::unique_ptr<ImageRecord> decodeBitmap(const uint8_t* bytes, size_t size, BitmapError& error) {
    BitmapInfo info;
    if (!readBitmapInfo(bytes, size, info, error)) return nullptr;
    error = checkImage(info);
    if (error == BitmapError::None && info.pixelOffset > size) error = BitmapError::ConversionError;
    if (error != BitmapError::None) return nullptr;
    return decodeImage(info, bytes + info.pixelOffset, size - info.pixelOffset, error);
}

namespace {

// The headers are read first, then only the pixel data the image can use. The file is
// copied, not mapped: one cut short while it is read (a pack being rebuilt) decodes as the
// shorter file it has become, where a mapping would end the process with a bus error.
std::unique_ptr<ImageRecord> readAndDecode(const char* path, BitmapError& error) {
    FileReader file(path);
    std::vector<uint8_t> bytes;
    if (!file.read(0, kMaxHeaderBytes, bytes) || bytes.empty()) return nullptr;
    BitmapInfo info;
    if (!readBitmapInfo(bytes.data(), bytes.size(), info, error)) return nullptr;
    error = checkImage(info);
    if (error == BitmapError::None && info.pixelOffset > file.size())
        error = BitmapError::ConversionError;
    if (error != BitmapError::None) return nullptr;
    const size_t useful = usefulPixelBytes(info);
    // A small file has come in whole with its headers.
    if (bytes.size() == file.size() || info.pixelOffset + useful <= bytes.size()) {
        const size_t count = std::min(useful, bytes.size() - info.pixelOffset);
        return decodeImage(info, bytes.data() + info.pixelOffset, count, error);
    }
    if (!file.read(info.pixelOffset, useful, bytes)) return nullptr;
    return decodeImage(info, bytes.data(), bytes.size(), error);
}

}  // namespace

std::unique_ptr<ImageRecord> readBitmapFile(const char* path, BitmapError& error) {
    error = BitmapError::None;
    try {
        return readAndDecode(path, error);
    } catch (const std::bad_alloc&) {
        error = BitmapError::OutOfMemory;
        return nullptr;
    }
}

std::unique_ptr<ImageRecord> loadBitmap(const char* path) {
    BitmapError error = BitmapError::None;
    auto record = readBitmapFile(path, error);
    if (record) return record;
    if (error == BitmapError::None) {
        showError(("Failed to open DIB file " + std::string(path ? path : "") + ".\n").c_str());
    } else {
        showError(bitmapErrorText(error));
    }
    return nullptr;
}
