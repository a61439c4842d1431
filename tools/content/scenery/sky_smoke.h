#pragma once
#include <string>

#include "content/pack/bmp_writer.h"

// The sky box image: a gentle blue with soft clouds inside a border band of one blue. Every
// face of the box shows the whole image and neighbouring faces meet edge to edge, some
// mirrored, some turned, so the band makes every seam invisible; the image tiles both ways.
Picture paintSky();

// The smoke particle image: a soft grey puff on exact black, which the masked texture keys
// out; nothing outside the puff is left just above black.
Picture paintSmoke();

// Writes folder/tex/clouds.bmp and folder/tex/smoke.bmp, creating folder/tex if needed.
// Returns false and says which file failed and why.
bool writeSkyAndSmoke(const std::string& folder, std::string& error);

// Creates folder (one level) unless it already exists. Returns false and says why on failure.
bool ensureContentFolder(const std::string& folder, std::string& error);
