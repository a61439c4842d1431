#include "common/png_image.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "common/output_file.h"

RgbImage::RgbImage(int w, int h, uint8_t r, uint8_t g, uint8_t b)
    : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3) {
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
}

void RgbImage::set(int x, int y, const uint8_t colour[3]) {
    if (!contains(x, y)) return;
    std::memcpy(at(x, y), colour, 3);
}

RgbImage imageFromGlPixels(const std::vector<uint8_t>& rgba, int width, int height) {
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &rgba[static_cast<size_t>(height - 1 - y) * width * 4];
        for (int x = 0; x < width; ++x) image.set(x, y, row + x * 4);
    }
    return image;
}

namespace {

void pngFailure(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// libpng's own writer says only "Write Error"; this one says why (a full disk, say).
void writeToStream(png_structp png, png_bytep data, size_t length) {
    errno = 0;
    if (std::fwrite(data, 1, length, static_cast<FILE*>(png_get_io_ptr(png))) != length)
        png_error(png, std::strerror(errno ? errno : EIO));
}

void flushStream(png_structp png) { std::fflush(static_cast<FILE*>(png_get_io_ptr(png))); }

// libpng reports failures by longjmp; nothing with a destructor may live in this frame.
bool encode(FILE* file, const RgbImage& image, std::string* error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, pngFailure, pngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, file, writeToStream, flushStream);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // The frames are many and large; fast compression keeps writing them well below drawing time.
    png_set_compression_level(png, Z_BEST_SPEED);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, &image.rgb[static_cast<size_t>(y) * image.width * 3]);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePng(FILE* file, const RgbImage& image, std::string& error) {
    std::string pngError = "out of memory";
    if (encode(file, image, &pngError)) return true;
    error = "cannot write PNG: " + pngError;
    return false;
}

bool writePng(const std::string& path, const RgbImage& image, std::string& error, bool synced) {
    OutputFile out;
    if (!out.open(path, {}, error)) return false;
    out.setSynced(synced);
    std::string pngError = "out of memory";
    errno = 0;
    if (!encode(out.stream(), image, &pngError)) {
        // A write that failed (a full disk) says why better than libpng's "Write Error".
        const int failure = errno;
        const bool writeFailed = std::ferror(out.stream()) && failure != 0;
        error = path + ": cannot write PNG: " + (writeFailed ? std::strerror(failure) : pngError);
        return false;
    }
    return out.commit(error);
}
