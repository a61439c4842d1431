#pragma once
#include <cstdint>

// Turns one ASCII model file into one OpenGL display list, loading the textures it names
// first. Prints its progress lines ("\nloading %s\n", "texture loaded (%i) %s\n", "too many
// verts") on standard output; faces with indices outside their object are left out and
// counted in one warning line on standard error that names the file. Does not return when
// the file cannot be opened, names more than 100 objects, has "xxx" as its first texture or
// names an unreadable texture: the process ends with status 1 after one clear message.
// Needs a current OpenGL context.
uint32_t loadModel(const char* path);
