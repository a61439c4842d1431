// TEMPORARY placeholder so the tree links while the loader is written; replaced by its owner.
#include "assets/model.h"
uint32_t loadModel(const char*) { return 0; }
