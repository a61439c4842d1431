#include "content/race/runs.h"

#include <memory>

#include "content/camera/camera_director.h"
#include "content/circuit/track_model.h"
#include "content/race/quiet_output.h"
#include "content/race/race.h"
#include "content/scenery/landscape.h"
#include "platform/ticks.h"
#include "replay/recorder.h"
#include "world/body.h"
#include "world/track.h"

namespace {

constexpr uint32_t kStartTick = 5000;

// Records the camera poses on the same clock as the race, so that its records fall at the
// very same times as the cars' and all three runs end together.
bool recordCamera(const std::vector<RunRecord>& poses, const std::string& path,
                  std::string& error) {
    ManualClock::install(kStartTick);
    Body camera;
    Recorder recorder(path.c_str(), &camera);
    recorder.startRecording();
    if (recorder.state != Recording) {
        error = "cannot create " + path;
        return false;
    }
    size_t next = 0;
    for (int frame = 0; next < poses.size(); ++frame) {
        if (frame > 0) ManualClock::advance(kRecordFrameMs);
        if (frame > 0 && ManualClock::now - recorder.lastWriteTime <= 1000u) continue;
        camera.setPosition(poses[next].position);
        camera.setRotation(Vec3{poses[next].pitch, poses[next].roll, poses[next].heading});
        recorder.step(frame == 0);
        ++next;
    }
    if (recorder.writeFailed) error = "cannot write " + path;
    return !recorder.writeFailed;
}

}  // namespace

bool writeRuns(const ContentSink& sink, const Circuit& circuit, const Terrain& terrain,
               std::string& error) {
    auto track = std::make_unique<Track>();
    RaceLog race;
    // The camera looks past the scenery and the road exactly as the pack draws them.
    SightMap sight;
    for (const char* path : {kLandscapeModelPath, kTrackModelPath}) {
        if (!sight.addModel(sink.diskPath(path))) {
            error = "cannot read back " + sink.diskPath(path);
            return false;
        }
    }
    bool ok = false;
    {
        QuietOutput quiet;
        if (!track->readTriangles(sink.diskPath(kTrackModelPath).c_str())) {
            error = "cannot read back " + sink.diskPath(kTrackModelPath);
        } else if (recordRace(circuit, *track, sink.diskPath(kDs21RunPath),
                              sink.diskPath(kR5RunPath), race, error)) {
            ok = recordCamera(directCameras(circuit, terrain, race, sight),
                              sink.diskPath(kCameraRunPath), error);
        }
        setTickSource(nullptr);
    }
    if (!ok) return false;
    for (const char* path : {kCameraRunPath, kDs21RunPath, kR5RunPath}) sink.announce(path);
    return true;
}
