// zorvex-capture: the demo's scene and frame function on a virtual clock, written out as
// numbered PNG frames and, with ffmpeg, one MP4 with the demo's music.
#include <GL/freeglut.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/frame.h"
#include "app/keyboard.h"
#include "capture/capture_options.h"
#include "capture/video.h"
#include "common/png_image.h"
#include "common/progress_bar.h"
#include "platform/standard_streams.h"

namespace {

const char kProgram[] = "zorvex-capture";

int fail(const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", kProgram, problem.c_str());
    return 1;
}

bool makeFolders(const std::string& path, std::string& error) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            error = part + ": cannot create the folder: " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    return std::string(getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + path;
}

// "frame_" and five or more digits and ".png", as frameName writes them.
bool isFrameFile(const std::string& name) {
    const size_t digits = name.size() - std::strlen("frame_.png");
    if (name.size() < 15 || name.compare(0, 6, "frame_") != 0 ||
        name.compare(6 + digits, 4, ".png") != 0)
        return false;
    return name.find_first_not_of("0123456789", 6) == 6 + digits;
}

// Frames of an earlier, longer capture would run on in the new video; remove them.
void removeOldFrames(const std::string& outDir) {
    DIR* dir = opendir(outDir.c_str());
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        if (isFrameFile(entry->d_name)) unlink((outDir + "/" + entry->d_name).c_str());
    }
    closedir(dir);
}

// The demo's own lines go to OUT/transcript.txt; standard output is kept for the summary.
int divertTranscript(const std::string& path, std::string& error) {
    std::fflush(stdout);
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (file < 0) {
        error = path + ": cannot create: " + std::strerror(errno);
        return -1;
    }
    const int saved = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
    close(file);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return saved;
}

void restoreStdout(int saved) {
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
}

std::string frameName(int64_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05lld.png", static_cast<long long>(frame));
    return name;
}

void releaseKeys(const CaptureOptions& options, int64_t frame) {
    for (const KeyEvent& event : options.keys) {
        if (keyEventFrame(event, options.fps) == frame) keyUp(event.key, 0, 0);
    }
}

bool renderFrames(const CaptureOptions& options, const std::string& outDir, std::string& error) {
    VirtualClock clock(options.fps);
    clock.start();
    ProgressBar progress("capture", options.frames, stderr);
    const int width = options.demo.width;
    const int height = options.demo.height;
    for (int64_t frame = 1; frame <= options.frames; ++frame) {
        releaseKeys(options, frame);
        renderFrame();
        const RgbImage image = imageFromGlPixels(readBackBuffer(width, height), width, height);
        glutSwapBuffers();
        if (!writePng(outDir + "/" + frameName(frame), image, error)) return false;
        progress.update(frame);
        clock.nextFrame();
    }
    progress.finish();
    return true;
}

void noteLateKeys(const CaptureOptions& options) {
    for (const KeyEvent& event : options.keys) {
        if (keyEventFrame(event, options.fps) > options.frames) {
            std::fprintf(stderr,
                         "%s: the release of '%c' comes after the last frame; it was not used\n",
                         kProgram, event.key);
        }
    }
}

const char kMusic[] = "audio/music.mp3";

// The content folder's music for the video, or empty. Only a regular file with something
// in it is handed to ffmpeg (a FIFO would keep it waiting); why another is left out goes
// into problem.
std::string usableMusic(std::string& problem) {
    struct stat info {};
    if (stat(kMusic, &info) != 0) return "";
    if (!S_ISREG(info.st_mode))
        problem = std::string(kMusic) + " is not a regular file";
    else if (info.st_size == 0)
        problem = std::string(kMusic) + " is empty";
    else if (access(kMusic, R_OK) != 0)
        problem = std::string(kMusic) + " cannot be read: " + std::strerror(errno);
    else
        return absolutePath(kMusic);
    return "";
}

// Encodes the frames when ffmpeg is there, with the content folder's music under them.
// Music that ffmpeg cannot use costs the video its sound, not the video itself.
void makeVideo(const CaptureOptions& options, const std::string& outDir, std::string& videoNote,
               bool& ok) {
    videoNote = "video: none (--no-video)";
    if (!options.video) return;
    const std::string ffmpeg = findOnPath("ffmpeg");
    videoNote = "video: none (ffmpeg is not installed)";
    if (ffmpeg.empty()) return;
    std::string musicProblem;
    const std::string music = usableMusic(musicProblem);
    const std::string video = outDir + "/capture.mp4";
    std::string error;
    ok = encodeVideo(ffmpeg, outDir, options.fps, music, video, error);
    if (!ok && !music.empty()) {
        // Only when the frames alone encode was it the music that ffmpeg could not use.
        const std::string withMusic = error;
        ok = encodeVideo(ffmpeg, outDir, options.fps, "", video, error);
        if (ok) musicProblem = withMusic;
    }
    if (!musicProblem.empty()) {
        std::fprintf(stderr, "%s: warning: the video is silent: %s\n", kProgram,
                     musicProblem.c_str());
    }
    const char* sound = !musicProblem.empty() ? " (audio/music.mp3 could not be used, so silent)"
                        : music.empty()       ? " (no audio/music.mp3, so silent)"
                                              : " (with the music)";
    videoNote = ok ? "video: " + video + sound : "video: failed: " + error;
}

}  // namespace

int main(int argc, char** argv) {
    openClosedStandardStreams();
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s\n%s", kProgram, error.c_str(), kCaptureUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kCaptureHelp.c_str(), stdout);
        return 0;
    }
    const std::string outDir = absolutePath(options.outDir);
    if (!makeFolders(outDir, error)) return fail(error);
    removeOldFrames(outDir);
    const std::string transcript = outDir + "/transcript.txt";
    options.demo.transcriptHint = "; see " + transcript;
    const int savedStdout = divertTranscript(transcript, error);
    if (savedStdout < 0) return fail(error);
    const bool started = startOfflineDemo(kProgram, options.demo, error);
    const bool rendered = started && renderFrames(options, outDir, error);
    restoreStdout(savedStdout);
    if (!rendered) return fail(error);
    noteLateKeys(options);
    bool videoOk = true;
    std::string videoNote;
    makeVideo(options, outDir, videoNote, videoOk);
    std::printf("frames: %s/frame_00001.png .. %s (%lld frames, %dx%d, %d per second)\n",
                outDir.c_str(), frameName(options.frames).c_str(),
                static_cast<long long>(options.frames), options.demo.width, options.demo.height,
                options.fps);
    std::printf("%s\ntranscript: %s\n", videoNote.c_str(), transcript.c_str());
    return videoOk ? 0 : 1;
}
