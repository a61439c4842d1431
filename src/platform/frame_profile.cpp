#include "platform/frame_profile.h"

FrameStepWatcher frameStepWatcher = nullptr;
