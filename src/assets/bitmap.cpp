// TEMPORARY placeholder so the tree links while the reader is written; replaced by its owner.
#include "assets/bitmap.h"
const char* bitmapErrorText(BitmapError) { return ""; }
std::unique_ptr<ImageRecord> decodeBitmap(const uint8_t*, size_t, BitmapError& e) { e = BitmapError::ConversionError; return nullptr; }
std::unique_ptr<ImageRecord> loadBitmap(const char*) { return nullptr; }
