#include "audio/music.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>

#include "assets/pack_files.h"
#include "platform/files.h"

namespace {

constexpr int kMixRate = 22050;
constexpr int kMixChannels = 32;
// A small buffer keeps latency low at 22050 Hz without risking underruns.
constexpr int kChunkSamples = 1024;
constexpr int kRetries = 10;
constexpr uint32_t kRetryPauseMs = 100;

bool openSdlAudio() {
    // SDL would otherwise take over Ctrl-C and SIGTERM and turn them into events that nothing
    // here reads, and the demo could not be stopped; start-up has its own handlers.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(kMixRate, AUDIO_S16SYS, 2, kChunkSamples) != 0) return false;
    Mix_AllocateChannels(kMixChannels);
    return true;
}

AudioOpener audioOpener = openSdlAudio;

void say(const char* text) {
    std::printf("%s", text);
    std::fflush(stdout);
}

bool openAudioWithRetries() {
    for (int retry = 0;; ++retry) {
        if (audioOpener()) return true;
        if (retry == kRetries) return false;
        say(".");
        pauseMs(kRetryPauseMs);
    }
}

// The music is streamed from the file rather than decoded up front, so a long piece
// does not hold up the first frame. It is never freed: it plays until the process ends.
// Only a regular file is handed to the decoder: a FIFO would block start-up.
void playMusicLooping() {
    FILE* file = openRegularStream(kMusicFile);
    if (!file) return;
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    if (!stream) {
        std::fclose(file);
        return;
    }
    Mix_Music* music = Mix_LoadMUSType_RW(stream, MUS_MP3, 1);
    if (music) Mix_PlayMusic(music, -1);
}

}  // namespace

void setAudioOpener(AudioOpener opener) { audioOpener = opener ? opener : openSdlAudio; }

void startMusic() {
    say("Sound Init...");
    say(openAudioWithRetries() ? "OK\n" : "FAILED!\n");
    playMusicLooping();
    say("\n");
}
