#pragma once
#include <string>

#include "content/pack/content_sink.h"

// Writes the two car models, models\ds21.ascii and models\r5.ascii, and their painted
// textures tex\ds21.bmp and tex\r5.bmp. Returns false and says which file failed and why.
bool writeCars(const ContentSink& sink, std::string& error);
