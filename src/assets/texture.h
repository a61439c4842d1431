#pragma once
#include <cstdint>

// Loads path into the texture object `name` as a single-level RGBA image in which exact
// black is transparent. An unreadable bitmap, or no memory for the image ("Out of memory."
// shown), leaves the texture without an image and start-up goes on. Needs a current OpenGL context.
void loadMaskedTexture(const char* path, uint32_t name);

// Loads path into `name` as a mipmapped RGB texture. Does nothing for a null path.
// Does not return when the bitmap cannot be read or there is no memory for its mipmaps:
// the process ends with status 1 after the reader's message or "Out of memory.". Needs a current
// OpenGL context.
void loadMipmappedTexture(const char* path, uint32_t name);
