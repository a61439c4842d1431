// zorvex-capture: the demo's scene and frame function on a virtual clock, written out as
// numbered PNG frames and, with ffmpeg, one MP4 with the demo's music, encoded as it renders.
#include <GL/freeglut.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/frame.h"
#include "app/keyboard.h"
#include "capture/capture_folder.h"
#include "capture/capture_options.h"
#include "capture/video.h"
#include "common/output_file.h"
#include "common/png_image.h"
#include "common/progress_bar.h"
#include "platform/standard_streams.h"

namespace {

const char kProgram[] = "zorvex-capture";
const char kMusic[] = "audio/music.mp3";

int fail(const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", kProgram, problem.c_str());
    return 1;
}

// The demo's own lines are held in memory until the capture is done and then written to
// OUT/transcript.txt, so nothing in the output folder changes before the capture can start;
// standard output is kept for the summary.
class HeldTranscript {
  public:
    bool divert(std::string& error) {
        std::fflush(stdout);
        held = memfd_create("zorvex-capture transcript", MFD_CLOEXEC);
        saved = held >= 0 ? dup(STDOUT_FILENO) : -1;
        if (saved < 0 || dup2(held, STDOUT_FILENO) < 0) {
            error = std::string("cannot hold the demo's lines: ") + std::strerror(errno);
            return false;
        }
        return true;
    }
    // Gives standard output back; false when a line could not be held.
    bool restore() {
        const bool whole = std::fflush(stdout) == 0 && !std::ferror(stdout);
        if (saved >= 0) dup2(saved, STDOUT_FILENO);
        return whole;
    }
    // Copies the lines held so far to out; false when one could not be written.
    bool copyTo(int out) const {
        std::fflush(stdout);
        char buffer[8192];
        off_t at = 0;
        for (ssize_t got = 0; (got = pread(held, buffer, sizeof buffer, at)) > 0; at += got) {
            for (ssize_t put = 0, done = 0; done < got; done += put) {
                put = write(out, buffer + done, static_cast<size_t>(got - done));
                if (put < 0 && errno != EINTR) return false;
                if (put < 0) put = 0;
            }
        }
        return true;
    }
    bool writeTo(const std::string& path, std::string& error) const {
        OutputFile out;
        if (!out.open(path, {}, error)) return false;
        std::fflush(out.stream());
        if (!copyTo(fileno(out.stream()))) {
            error = path + ": cannot write: " + std::strerror(errno);
            return false;
        }
        return out.commit(error);
    }

  private:
    int held = -1;
    int saved = -1;
};

HeldTranscript transcript;

// Shows the demo's lines when the scene cannot be built: they say which file failed.
void showTranscriptOnFailure() { transcript.copyTo(STDERR_FILENO); }

void releaseKeys(const CaptureOptions& options, int64_t frame) {
    for (const KeyEvent& event : options.keys) {
        if (keyEventFrame(event, options.fps) == frame) keyUp(event.key, 0, 0);
    }
}

// Renders every frame into its PNG and, when there is an encoder, into the video; an encoder
// that fails costs the video, not the frames, and says why when it is finished.
bool renderFrames(const CaptureOptions& options, const std::string& folder, VideoEncoder* video,
                  std::string& error) {
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
        // Thousands of frames, each made again by the same options: not synced one by one.
        if (!writePng(folder + "/" + frameName(frame), image, error, false)) return false;
        if (video) video->addFrame(image);
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

// What the video will be: made by ffmpeg, with the content folder's music when ffmpeg can
// decode it; or no video, and why.
struct VideoPlan {
    std::string ffmpeg;  // empty: no video
    std::string music;   // empty: silent
    std::string none;    // why there is no video
    std::string sound;   // what the summary says of the sound
};

VideoPlan planVideo(const CaptureOptions& options) {
    VideoPlan plan;
    if (!options.video) {
        plan.none = "--no-video";
        return plan;
    }
    plan.ffmpeg = findOnPath("ffmpeg");
    if (plan.ffmpeg.empty()) {
        plan.none = "ffmpeg is not installed";
        std::fprintf(stderr, "%s: warning: ffmpeg is not installed, so only the frames are made\n",
                     kProgram);
        return plan;
    }
    // Only a regular file with something in it is handed to ffmpeg (a FIFO would keep it
    // waiting), and only music it can decode: music it cannot costs the video its sound.
    struct stat info {};
    std::string problem;
    if (stat(kMusic, &info) != 0) {
        plan.sound = " (no audio/music.mp3, so silent)";
        return plan;
    }
    if (!S_ISREG(info.st_mode))
        problem = std::string(kMusic) + " is not a regular file";
    else if (info.st_size == 0)
        problem = std::string(kMusic) + " is empty";
    else if (access(kMusic, R_OK) != 0)
        problem = std::string(kMusic) + " cannot be read: " + std::strerror(errno);
    else if (musicDecodes(plan.ffmpeg, kMusic, static_cast<double>(options.frames) / options.fps,
                          problem))
        plan.music = kMusic;
    if (plan.music.empty()) {
        std::fprintf(stderr, "%s: warning: the video is silent: %s\n", kProgram, problem.c_str());
        plan.sound = " (audio/music.mp3 could not be used, so silent)";
    } else {
        plan.sound = " (with the music)";
    }
    return plan;
}

// Renders the capture into the folder, cleared of the earlier one; the video, when planned,
// as it renders. Returns the exit status.
int capture(const CaptureOptions& options, const std::string& folder, const VideoPlan& plan) {
    std::string error;
    if (!clearCaptureFolder(folder, error)) return fail(error);
    const std::string videoPath = folder + "/" + kVideoName;
    std::unique_ptr<VideoEncoder> video;
    std::string videoError;
    if (!plan.ffmpeg.empty()) {
        video = std::make_unique<VideoEncoder>();
        if (!video->start(plan.ffmpeg, options.demo.width, options.demo.height, options.fps,
                          plan.music, videoPath, videoError))
            video.reset();
    }
    const bool rendered = renderFrames(options, folder, video.get(), error);
    const bool transcriptWhole = transcript.restore();
    if (!rendered) return fail(error);
    std::string videoNote = "video: none (" + plan.none + ")";
    if (video && video->finish(videoError)) videoNote = "video: " + videoPath + plan.sound;
    const bool videoFailed = !videoError.empty();
    if (videoFailed) {
        videoNote = "video: failed: " + videoError;
        std::fprintf(stderr, "%s: the video failed, the frames are complete: %s\n", kProgram,
                     videoError.c_str());
    }
    const std::string transcriptPath = folder + "/" + kTranscriptName;
    if (!transcriptWhole) return fail("cannot hold the demo's lines for " + transcriptPath);
    if (!transcript.writeTo(transcriptPath, error)) return fail(error);
    noteLateKeys(options);
    std::printf("frames: %s/frame_00001.png .. %s (%lld frames, %dx%d, %d per second)\n",
                folder.c_str(), frameName(options.frames).c_str(),
                static_cast<long long>(options.frames), options.demo.width, options.demo.height,
                options.fps);
    std::printf("%s\ntranscript: %s\n", videoNote.c_str(), transcriptPath.c_str());
    if (!finishStandardOutput(kProgram)) return 1;
    return videoFailed ? 1 : 0;
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
        return finishStandardOutput(kProgram) ? 0 : 1;
    }
    stopOnSignals();
    // A stopped ffmpeg shows as a failed write to its pipe, and a closed standard output as a
    // failed summary, instead of ending the capture at once.
    std::signal(SIGPIPE, SIG_IGN);
    // Everything is checked before the output folder changes: the folder, then the display,
    // the content folder and the scene built from it, then the music.
    std::string folder;
    if (!resolveCaptureFolder(options.outDir, folder, error) || !checkCaptureFolder(folder, error))
        return fail(error);
    if (!transcript.divert(error)) return fail(error);
    options.demo.transcriptHint = "; its lines are above";
    options.demo.beforeSceneFailure = showTranscriptOnFailure;
    if (!startOfflineDemo(kProgram, options.demo, error)) {
        transcript.restore();
        return fail(error);
    }
    return capture(options, folder, planVideo(options));
}
