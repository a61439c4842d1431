#pragma once
#include <string>

#include "content/pack/bmp_writer.h"
#include "content/pack/content_sink.h"
#include "content/pack/pack_layout.h"

constexpr int kIconSize = 256;

// The desktop icon: the saloon in profile on the track by the kerb under the sky, each part
// taken from the pack's own paintings (car texture, track atlas, sky), 256 x 256.
Picture paintIcon();

// Writes the icon as a PNG at the pack's root. Returns false and says why on failure.
bool writeIcon(const ContentSink& sink, std::string& error);
