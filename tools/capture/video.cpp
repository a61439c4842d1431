#include "capture/video.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t colon = folders.find(':', start);
        if (colon == std::string::npos) colon = folders.size();
        const std::string folder = folders.substr(start, colon - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = colon + 1;
    }
    return {};
}

namespace {

std::vector<std::string> ffmpegArguments(const std::string& ffmpeg, const std::string& outDir, int fps,
                                         const std::string& musicPath, const std::string& videoPath) {
    std::vector<std::string> args = {ffmpeg, "-nostdin", "-y", "-loglevel", "error", "-framerate",
                                     std::to_string(fps), "-i", outDir + "/frame_%05d.png"};
    if (!musicPath.empty()) {
        // The demo loops its music, so the video does too; -shortest ends it with the frames.
        args.insert(args.end(), {"-stream_loop", "-1", "-i", musicPath, "-shortest", "-c:a", "aac"});
    }
    // 4:2:0 video needs even sizes; an odd frame gets one black row or column.
    args.insert(args.end(), {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-pix_fmt", "yuv420p", videoPath});
    return args;
}

}  // namespace

bool encodeVideo(const std::string& ffmpeg, const std::string& outDir, int fps, const std::string& musicPath,
                 const std::string& videoPath, std::string& error) {
    std::vector<std::string> args = ffmpegArguments(ffmpeg, outDir, fps, musicPath, videoPath);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, ffmpeg.c_str(), nullptr, nullptr, argv.data(), environ);
    if (spawned != 0) {
        error = ffmpeg + ": cannot start: " + std::strerror(spawned);
        return false;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "ffmpeg could not make " + videoPath + " (exit status " +
                std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        return false;
    }
    return true;
}
