#include "content/music/music.h"

#include <vector>

#include "content/music/arrangement.h"
#include "content/music/effects.h"
#include "content/music/mix.h"
#include "content/music/mp3_encoding.h"
#include "content/pack/pack_layout.h"

MusicPcm renderMusic() {
    Mix mix;
    for (int bar = 0; bar < kBars; ++bar) renderBar(mix, bar);
    applyEffects(mix);
    return master(mix);
}

bool writeMusic(const ContentSink& sink, std::string& error) {
    std::vector<unsigned char> mp3;
    if (!encodeMp3(renderMusic(), mp3, error)) {
        error = sink.diskPath(kMusicFile) + ": " + error;
        return false;
    }
    return sink.writeBytes(kMusicFile, mp3, error);
}
