// Fuzz entry point for the bitmap decoder: any bytes either fail with a known error or give
// an image whose buffer matches its size.
#include <cstdint>

#include "assets/bitmap.h"
#include "memory_file.h"

namespace {

// Images this large are legal but take seconds to clear; they say nothing new about bounds.
constexpr uint64_t kMaxFuzzPixels = 1u << 22;

bool tooLargeToFuzz(const uint8_t* data, size_t size) {
    BitmapInfo info;
    BitmapError error = BitmapError::None;
    if (!readBitmapInfo(data, size, info, error)) return false;
    const uint64_t rows =
        static_cast<uint64_t>(info.height < 0 ? -static_cast<int64_t>(info.height) : info.height);
    return info.width > 0 && static_cast<uint64_t>(info.width) * rows > kMaxFuzzPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (tooLargeToFuzz(data, size)) return 0;
    BitmapError error = BitmapError::None;
    const auto image = decodeBitmap(data, size, error);
    const bool consistent =
        image ? error == BitmapError::None && image->width > 0 && image->height > 0 &&
                    image->data.size() == static_cast<size_t>(image->width) * image->height * 3
              : error != BitmapError::None;
    require(consistent, "inconsistent decode result");
    return 0;
}
