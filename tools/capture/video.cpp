#include "capture/video.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

std::vector<std::string> ffmpegArguments(const std::string& ffmpeg, const std::string& outDir,
                                         int fps, const std::string& musicPath,
                                         const std::string& videoPath) {
    std::vector<std::string> args = {ffmpeg,
                                     "-nostdin",
                                     "-y",
                                     "-loglevel",
                                     "error",
                                     "-framerate",
                                     std::to_string(fps),
                                     "-i",
                                     outDir + "/frame_%05d.png"};
    if (!musicPath.empty()) {
        // The demo loops its music, so the video does too; -shortest ends it with the frames.
        args.insert(args.end(),
                    {"-stream_loop", "-1", "-i", musicPath, "-shortest", "-c:a", "aac"});
    }
    // 4:2:0 video needs even sizes; an odd frame gets one black row or column.
    args.insert(args.end(),
                {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-pix_fmt", "yuv420p"});
    // The temporary name does not end in .mp4, so the container is named.
    args.insert(args.end(), {"-f", "mp4", videoPath});
    return args;
}

// The last line that is not empty.
std::string lastLine(const std::string& text) {
    const size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return {};
    size_t begin = text.rfind('\n', end);
    begin = begin == std::string::npos ? 0 : begin + 1;
    return text.substr(begin, end + 1 - begin);
}

// Starts args[0] with its standard error on a pipe; returns the pipe's reading end, or -1
// and says why.
int spawnWithErrorPipe(std::vector<std::string>& args, pid_t& child, std::string& error) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("cannot make a pipe for ffmpeg: ") + std::strerror(errno);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const int spawned =
        posix_spawn(&child, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned == 0) return fds[0];
    close(fds[0]);
    error = args[0] + ": cannot start: " + std::strerror(spawned);
    return -1;
}

std::string readToEnd(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t got = 0; (got = read(fd, buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            text.append(buffer, static_cast<size_t>(got));
        else if (errno != EINTR)
            break;
    }
    close(fd);
    return text;
}

// ffmpeg's exit status, -1 when it died by a signal.
int waitForExit(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool encodeVideo(const std::string& ffmpeg, const std::string& outDir, int fps,
                 const std::string& musicPath, const std::string& videoPath, std::string& error) {
    const std::string partial = videoPath + ".part";
    std::vector<std::string> args = ffmpegArguments(ffmpeg, outDir, fps, musicPath, partial);
    pid_t child = 0;
    const int messagesFd = spawnWithErrorPipe(args, child, error);
    if (messagesFd >= 0) {
        const std::string messages = readToEnd(messagesFd);
        const int status = waitForExit(child);
        if (status == 0 && std::rename(partial.c_str(), videoPath.c_str()) == 0) return true;
        error = status == 0
                    ? videoPath +
                          ": cannot rename the finished video into place: " + std::strerror(errno)
                    : "ffmpeg could not make " + videoPath + " (exit status " +
                          std::to_string(status) + ")";
        if (status != 0 && !lastLine(messages).empty()) error += ": " + lastLine(messages);
    }
    std::remove(partial.c_str());
    std::remove(videoPath.c_str());
    return false;
}
