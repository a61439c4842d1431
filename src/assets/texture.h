#pragma once
#include <cstdint>

// Loads path into the texture object `name` as a single-level RGBA image in which exact
// black is transparent. An unreadable bitmap leaves the texture without an image (the
// reader has shown its message) and start-up goes on. Needs a current OpenGL context.
void loadMaskedTexture(const char* path, uint32_t name);

// Loads path into `name` as a mipmapped RGB texture. Does nothing for a null path.
// Does not return when the bitmap cannot be read: the process ends with status 1 after
// the reader's message. Needs a current OpenGL context.
void loadMipmappedTexture(const char* path, uint32_t name);
