// TEMPORARY placeholder so the tree links while the recorder is written; replaced by its owner.
#include "replay/recorder.h"
Recorder::Recorder(const char* p, Body* b) : path(p), body(b) {}
Recorder::~Recorder() {}
void Recorder::startRecording() {}
void Recorder::startPlayback(bool) {}
void Recorder::endPlayback() {}
void Recorder::step(bool) {}
