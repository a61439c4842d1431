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

// The message text shown for an error ("Unknown DIB file format." ...).
const char* bitmapErrorText(BitmapError error);

// Decodes a whole BMP file held in memory. Returns nullptr and sets error on failure;
// never reads outside bytes[0, size). Prints nothing.
std::unique_ptr<ImageRecord> decodeBitmap(const uint8_t* bytes, size_t size, BitmapError& error);

// Reads and decodes a bitmap file. On failure shows exactly one message through the error
// display ("Failed to open DIB file %s.\n" for a missing, unreadable or empty file) and
// returns nullptr. Prints nothing on standard output.
std::unique_ptr<ImageRecord> loadBitmap(const char* path);
