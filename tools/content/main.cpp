// zorvex-content <folder>: writes the demo's content pack into folder, the same bytes on
// every run: models, textures, the three run files, the music and the desktop icon.
#include <cstdio>
#include <string>

#include "common/png_image.h"
#include "content/cars/cars.h"
#include "content/cars/icon.h"
#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/circuit/track_model.h"
#include "content/circuit/track_texture.h"
#include "content/music/music.h"
#include "content/pack/content_sink.h"
#include "content/race/runs.h"
#include "content/scenery/landscape.h"
#include "content/scenery/sky_smoke.h"
#include "platform/standard_streams.h"

namespace {

bool writeTrack(const ContentSink& sink, const Circuit& circuit, std::string& error) {
    return sink.writeModel(kTrackModelPath, buildTrackModel(circuit), kTrackTriangleBudget,
                           error) &&
           sink.writeBitmap(kTrackTexturePath, paintTrackTexture(), error);
}

bool writeOthers(const ContentSink& sink, const std::string& folder, std::string& error) {
    if (!writeCars(folder, error)) return false;
    for (const char* path :
         {"models\\ds21.ascii", "tex\\ds21.bmp", "models\\r5.ascii", "tex\\r5.bmp"})
        sink.announce(path);
    if (!writeSkyAndSmoke(folder, error)) return false;
    for (const char* path : {"tex\\clouds.bmp", "tex\\smoke.bmp"}) sink.announce(path);
    if (!writeMusic(sink.diskPath("audio\\music.mp3").c_str(), error)) return false;
    sink.announce("audio\\music.mp3");
    return true;
}

bool writeIcon(const ContentSink& sink, std::string& error) {
    const Picture picture = paintIcon();
    RgbImage image(picture.width, picture.height);
    image.rgb = picture.rgb;
    if (!writePng(sink.diskPath(kIconPath), image, error)) return false;
    sink.announce(kIconPath);
    return true;
}

bool writePack(const std::string& folder, std::string& error) {
    const ContentSink sink(folder);
    if (!sink.prepare(error)) return false;
    const Circuit circuit = buildCircuit();
    const Terrain terrain(circuit);
    return writeTrack(sink, circuit, error) && writeLandscape(sink, circuit, terrain, error) &&
           writeRuns(sink, circuit, terrain, error) && writeOthers(sink, folder, error) &&
           writeIcon(sink, error);
}

}  // namespace

int main(int argc, char** argv) {
    openClosedStandardStreams();
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argc > 0 ? argv[0] : "zorvex-content");
        return 2;
    }
    std::string error;
    if (!writePack(argv[1], error)) {
        std::fprintf(stderr, "zorvex-content: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
