#pragma once
#include "content/pack/bmp_writer.h"

// The track's texture atlas: columns of verge, kerb, plain edge, asphalt with its markings,
// and the grid stretch with the start/finish line; all repeat along the road. The track
// model maps its strips onto these columns.
Picture paintTrackTexture();
