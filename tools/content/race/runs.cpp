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
    // The camera looks past the scenery and the road exactly as the pack draws them, and the
    // cars drive on the very triangles the demo reads.
    SightMap sight;
    for (const char* path : {kLandscapeModelFile, kTrackModelFile}) {
        if (!sight.addModel(sink.diskPath(path))) {
            error = "cannot read back " + sink.diskPath(path);
            return false;
        }
    }
    auto track = std::make_unique<Track>();
    {
        QuietOutput quiet;
        if (!track->readTriangles(sink.diskPath(kTrackModelFile).c_str())) {
            error = "cannot read back " + sink.diskPath(kTrackModelFile);
            return false;
        }
    }
    const auto record = [&](const std::vector<std::string>& names, std::string& failure) {
        QuietOutput quiet;
        RaceLog race;
        const bool recorded =
            recordRace(circuit, *track, names[1], names[2], race, failure) &&
            recordCamera(directCameras(circuit, terrain, race, sight), names[0], failure);
        setTickSource(nullptr);
        return recorded;
    };
    return sink.writeByName({kCameraRunFile, kDs21RunFile, kR5RunFile}, record, error);
}
