#pragma once
#include <cstdint>

// Turns one ASCII model file into one OpenGL display list, loading the textures it names
// first. Prints its progress lines on standard output. Does not return when the file
// cannot be opened, names more than 100 objects, has "xxx" as its first texture or names
// an unreadable texture: the process ends with status 1 after one clear message.
// Needs a current OpenGL context.
uint32_t loadModel(const char* path);
