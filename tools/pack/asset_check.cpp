#include "pack/asset_check.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "assets/bitmap.h"
#include "assets/pack_files.h"
#include "pack/model_check.h"
#include "pack/pack_check.h"
#include "platform/files.h"

namespace {

enum class Upload { Mipmapped, Masked };

bool powerOfTwo(int32_t side) { return side > 0 && (side & (side - 1)) == 0; }

std::string sizeText(const ImageRecord& image) {
    return std::to_string(image.width) + " x " + std::to_string(image.height);
}

// What upload does to a masked image: only pure black becomes transparent.
void checkBlack(const ImageRecord& image, Findings& findings) {
    size_t black = 0;
    for (size_t i = 0; i + 2 < image.data.size(); i += 3)
        black += (image.data[i] | image.data[i + 1] | image.data[i + 2]) == 0 ? 1 : 0;
    const size_t pixels = image.data.size() / 3;
    if (black == 0) {
        findings.warning(0, "smoke",
                         "no pixel is pure black (0, 0, 0): nothing of the smoke is transparent, "
                         "every particle is drawn as a square");
    } else if (black == pixels) {
        findings.warning(
            0, "smoke",
            "every pixel is pure black: the smoke is wholly transparent and never seen");
    }
}

// Reads the bitmap the way the demo's reader does and says what upload will make of it.
void checkBitmap(const char* name, Upload upload, Findings& findings) {
    const char* consequence =
        upload == Upload::Masked ? "the smoke has no texture" : "the demo stops at this texture";
    BitmapError error = BitmapError::None;
    const std::unique_ptr<ImageRecord> image = readBitmapFile(name, error);
    if (!image) {
        const std::string message =
            error != BitmapError::None
                ? bitmapErrorText(error)
                : "Failed to open DIB file " + std::string(name) + ". (the file is empty)";
        findings.error(0, "bitmap",
                       "the bitmap reader fails with " + quoted(message) + ": " + consequence);
        return;
    }
    if (!powerOfTwo(image->width) || !powerOfTwo(image->height)) {
        findings.warning(0, "size",
                         upload == Upload::Mipmapped
                             ? sizeText(*image) +
                                   " has a side that is not a power of two: the upload "
                                   "resamples the picture to such sides"
                             : sizeText(*image) +
                                   " has a side that is not a power of two: the smoke is "
                                   "uploaded at its own size, which OpenGL 1 drivers refuse");
    }
    if (upload == Upload::Masked) checkBlack(*image, findings);
}

// A pack file of its own (not named by a model): missing is reported against itself.
bool opens(const char* name, Findings& findings, Severity severity, const char* consequence) {
    findings.beginFile(shownName(name));
    const int fd = openPackFile(name, findings, severity, 0, "", consequence);
    if (fd < 0) return false;
    close(fd);
    return true;
}

// The sound library's decoder writes notes of its own to standard error; what matters
// reaches the findings, so they are kept from the report.
class QuietStandardError {
  public:
    QuietStandardError() {
        std::fflush(stderr);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            saved = dup(STDERR_FILENO);
            dup2(null, STDERR_FILENO);
            close(null);
        }
    }
    ~QuietStandardError() {
        if (saved < 0) return;
        dup2(saved, STDERR_FILENO);
        close(saved);
    }

  private:
    int saved = -1;
};

// The sound library opened on its silent driver: the checker plays nothing.
std::string openMusic(FILE* file) {
    const QuietStandardError quiet;
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 1024) != 0) {
        std::fclose(file);
        return std::string("the sound library does not start: ") + SDL_GetError();
    }
    std::string problem;
    SDL_RWops* stream = SDL_RWFromFP(file, SDL_TRUE);
    Mix_Music* music = stream ? Mix_LoadMUSType_RW(stream, MUS_MP3, 1) : nullptr;
    if (!stream) std::fclose(file);
    if (music) {
        Mix_FreeMusic(music);
    } else {
        problem = std::string("the sound library cannot play it (") + Mix_GetError() + ")";
    }
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return problem;
}

}  // namespace

void checkModelTextures(const TextureList& textures, Findings& findings) {
    for (const std::string& name : textures.names) {
        findings.beginFile(name);
        checkBitmap(name.c_str(), Upload::Mipmapped, findings);
    }
}

void checkSkyAndSmoke(Findings& findings) {
    if (opens(kSkyBitmapFile, findings, Severity::Error, "the demo stops at the sky"))
        checkBitmap(kSkyBitmapFile, Upload::Mipmapped, findings);
    if (opens(kSmokeBitmapFile, findings, Severity::Error, "the smoke has no texture"))
        checkBitmap(kSmokeBitmapFile, Upload::Masked, findings);
}

void checkMusic(Findings& findings) {
    const char* consequence = "the demo runs without music";
    if (!opens(kMusicFile, findings, Severity::Warning, consequence)) return;
    FILE* file = openRegularStream(kMusicFile);
    if (!file) return;
    const std::string problem = openMusic(file);
    if (!problem.empty()) findings.warning(0, "music", problem + ": " + consequence);
}
