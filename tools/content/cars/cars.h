#pragma once
#include <string>

// Writes the two car models, folder/models/ds21.ascii and folder/models/r5.ascii, and their
// painted textures folder/tex/ds21.bmp and folder/tex/r5.bmp, creating the folders if needed.
// Returns false and says which file failed and why.
bool writeCars(const std::string& folder, std::string& error);
