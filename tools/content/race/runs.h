#pragma once
#include <string>
#include <vector>

#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/pack/content_sink.h"
#include "content/pack/pack_layout.h"

// The frame step of the recording session: records fall 1007 ms apart, the first frame
// after more than a second.
constexpr int kRecordFrameMs = 19;

// Records the race of the two cars over two laps, and a television-style camera run that
// cuts between trackside cameras, with the real Recorder on a manual clock. The track and
// landscape models must already be in the pack: the cars drive on the very triangles the
// demo reads, and the camera looks past them.
// Returns false and names the file on failure.
bool writeRuns(const ContentSink& sink, const Circuit& circuit, const Terrain& terrain,
               std::string& error);
