#pragma once
#include <cstdint>

// Turns one ASCII model file into one OpenGL display list, loading the textures it names
// first. Prints its progress lines ("\nloading %s\n", "texture loaded (%i) %s\n", "too many
// verts") on standard output; faces with indices outside their object, and faces using a
// number beyond the 32-bit float range, are left out and counted in one warning line each on
// standard error that names the file; so is a file that ends inside an object, whose
// faces read up to there are drawn. Reads the file twice, line by line, holding one
// object's tables at a time. Does not return when the file is not a regular file or cannot
// be read, names more than 100 objects, has "xxx" as its first texture or names an
// unreadable texture: the process ends with status 1 after one clear message.
// Needs a current OpenGL context.
uint32_t loadModel(const char* path);
