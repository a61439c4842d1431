// zorvex-content <folder>: writes the demo's content pack into folder, the same bytes on
// every run: models, textures, the three run files, the music and the desktop icon. Each file
// is put in place only when it is whole; Ctrl-C or SIGTERM leaves no file half written.
#include <cstdio>
#include <string>

#include "common/output_file.h"
#include "content/cars/cars.h"
#include "content/cars/icon.h"
#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/circuit/track_model.h"
#include "content/music/music.h"
#include "content/pack/content_sink.h"
#include "content/race/runs.h"
#include "content/scenery/landscape.h"
#include "content/scenery/sky_smoke.h"
#include "platform/standard_streams.h"

namespace {

// The pack in the order it is made: the runs read the track and the landscape back from the
// pack, so those come first.
bool writePack(const std::string& folder, std::string& error) {
    const ContentSink sink(folder);
    if (!sink.prepare(error)) return false;
    const Circuit circuit = buildCircuit();
    const Terrain terrain(circuit);
    return writeTrack(sink, circuit, error) && writeLandscape(sink, circuit, terrain, error) &&
           writeRuns(sink, circuit, terrain, error) && writeCars(sink, error) &&
           writeSkyAndSmoke(sink, error) && writeMusic(sink, error) && writeIcon(sink, error);
}

}  // namespace

int main(int argc, char** argv) {
    openClosedStandardStreams();
    stopOnSignals();
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argc > 0 ? argv[0] : "zorvex-content");
        return 2;
    }
    std::string error;
    if (!writePack(argv[1], error)) {
        std::fprintf(stderr, "zorvex-content: %s\n", error.c_str());
        return 1;
    }
    return finishStandardOutput("zorvex-content") ? 0 : 1;
}
