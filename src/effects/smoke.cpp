// TEMPORARY placeholder so the tree links while the emitter is written; replaced by its owner.
#include "effects/smoke.h"
SmokeEmitter::SmokeEmitter(int32_t, const char*) {}
SmokeEmitter::~SmokeEmitter() {}
void SmokeEmitter::update(int32_t) {}
void SmokeEmitter::billboardMatrix(float*) {}
