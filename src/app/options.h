#pragma once
#include <cstdint>

enum OptionFlags : uint32_t { FullScreen = 1, AccumBlur = 2, Lighting = 4, ShowFps = 8 };

// The start-up options; settled once by start-up and read-only afterwards.
extern uint32_t optionFlags;

// The defaults (AccumBlur, Lighting, ShowFps) without arguments; with any argument, the
// four questions "Fullscreen", "Accumulation Buffer?", "Light ?", "FPS ?" in that order.
uint32_t settleOptions(int argc);
