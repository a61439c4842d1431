#pragma once
#include "pack/findings.h"

struct TextureList;

// Each bitmap the models name, read by the demo's bitmap reader for a mipmapped texture.
void checkModelTextures(const TextureList& textures, Findings& findings);

// The sky (a mipmapped texture, without which the demo stops) and the smoke (a single-level
// texture in which pure black is transparent).
void checkSkyAndSmoke(Findings& findings);

// The music, opened by the sound library as the demo opens it; it only warns, as the demo
// runs without music.
void checkMusic(Findings& findings);
