#include "app/options.h"

#include "platform/dialogs.h"

uint32_t optionFlags = 0;

uint32_t settleOptions(int argc) {
    uint32_t flags = AccumBlur | Lighting | ShowFps;
    // Any argument at all asks; its text is not looked at.
    if (argc > 1) {
        flags = 0;
        if (askYesNo("Fullscreen")) flags |= FullScreen;
        if (askYesNo("Accumulation Buffer?")) flags |= AccumBlur;
        if (askYesNo("Light ?")) flags |= Lighting;
        if (askYesNo("FPS ?")) flags |= ShowFps;
    }
    return flags;
}
