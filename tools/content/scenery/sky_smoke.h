#pragma once
#include <string>

#include "content/pack/bmp_writer.h"
#include "content/pack/content_sink.h"

// The sky box image: a gentle blue with soft clouds inside a border band of one blue. Every
// face of the box shows the whole image and neighbouring faces meet edge to edge, some
// mirrored, some turned, so the band makes every seam invisible; the image tiles both ways.
Picture paintSky();

// The smoke particle image: a soft grey puff on exact black, which the masked texture keys
// out; nothing outside the puff is left just above black.
Picture paintSmoke();

// Writes both, tex\clouds.bmp and tex\smoke.bmp. Returns false and says which file failed
// and why.
bool writeSkyAndSmoke(const ContentSink& sink, std::string& error);
