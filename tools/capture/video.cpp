#include "capture/video.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
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

// ffmpeg takes "name:rest" for a protocol; "file:" keeps a path with ':' or '%' a plain file.
std::string plainFile(const std::string& path) { return "file:" + path; }

std::vector<std::string> encodeArguments(const std::string& ffmpeg, int width, int height, int fps,
                                         const std::string& musicPath,
                                         const std::string& videoPath) {
    std::vector<std::string> args = {ffmpeg,
                                     "-nostdin",
                                     "-hide_banner",
                                     "-loglevel",
                                     "error",
                                     "-f",
                                     "rawvideo",
                                     "-pix_fmt",
                                     "rgb24",
                                     "-video_size",
                                     std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate",
                                     std::to_string(fps),
                                     "-i",
                                     "pipe:0"};
    if (!musicPath.empty()) {
        // The demo loops its music, so the video does too; -shortest ends it with the frames.
        args.insert(args.end(),
                    {"-stream_loop", "-1", "-i", plainFile(musicPath), "-shortest", "-c:a", "aac"});
    }
    // 4:2:0 video needs even sizes; an odd frame gets one black row or column.
    args.insert(args.end(),
                {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-pix_fmt", "yuv420p"});
    // The new file's name does not end in .mp4, so the container is named; it exists already
    // (an OutputFile made it), so ffmpeg is told to write over it.
    args.insert(args.end(), {"-f", "mp4", "-y", plainFile(videoPath)});
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

// Starts args[0] with standard input from inputFd (nothing when it is -1), standard output
// on /dev/null and standard error on a pipe. Returns the pipe's reading end, or -1 and why.
// The child gets the default action for every signal and none blocked; no other descriptor
// of ours that it could hold open (the frames pipe's writing end above all) reaches it.
int spawnWithErrorPipe(std::vector<std::string>& args, int inputFd, pid_t& child,
                       std::string& error) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe for ffmpeg: ") + std::strerror(errno);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inputFd, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int spawned =
        posix_spawn(&child, args[0].c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
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
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
            // Only the last lines are ever shown; a flood of messages costs no memory.
            if (text.size() > 65536) text.erase(0, text.size() - 4096);
        } else if (errno != EINTR) {
            break;
        }
    }
    close(fd);
    return text;
}

// The program's exit status, -1 when it died by a signal.
int waitForExit(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string exitText(int status) {
    return status < 0 ? "ended by a signal" : "exit status " + std::to_string(status);
}

// Signals that stop the capture are held while ffmpeg is started and named as the video's
// writer, so none can remove the video's new file while ffmpeg could still create it.
class HeldStopSignals {
  public:
    HeldStopSignals() {
        sigset_t stops;
        sigemptyset(&stops);
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, signalNumber);
        pthread_sigmask(SIG_BLOCK, &stops, &previous);
    }
    ~HeldStopSignals() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }

  private:
    sigset_t previous;
};

}  // namespace

bool musicDecodes(const std::string& ffmpeg, const std::string& musicPath, double seconds,
                  std::string& problem) {
    std::vector<std::string> args = {ffmpeg,
                                     "-nostdin",
                                     "-hide_banner",
                                     "-loglevel",
                                     "error",
                                     "-i",
                                     plainFile(musicPath),
                                     "-t",
                                     std::to_string(seconds),
                                     "-map",
                                     "0:a:0",
                                     "-f",
                                     "null",
                                     "-"};
    pid_t child = 0;
    const int messagesFd = spawnWithErrorPipe(args, -1, child, problem);
    if (messagesFd < 0) return false;
    const std::string messages = readToEnd(messagesFd);
    const int status = waitForExit(child);
    if (status == 0) return true;
    problem = "ffmpeg cannot decode " + musicPath + " (" + exitText(status) + ")";
    if (!lastLine(messages).empty()) problem += ": " + lastLine(messages);
    return false;
}

VideoEncoder::~VideoEncoder() { stop(); }

bool VideoEncoder::start(const std::string& ffmpeg, int width, int height, int fps,
                         const std::string& musicPath, const std::string& videoPath,
                         std::string& error) {
    stop();
    std::vector<std::string> inputs;
    if (!musicPath.empty()) inputs.push_back(musicPath);
    if (!video.open(videoPath, inputs, error)) return false;
    int frames[2];
    if (pipe2(frames, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe for ffmpeg: ") + std::strerror(errno);
        video.abandon();
        return false;
    }
    // Room for a frame or two, so rendering and encoding wait on each other less often.
    fcntl(frames[1], F_SETPIPE_SZ, 1 << 20);
    std::vector<std::string> args =
        encodeArguments(ffmpeg, width, height, fps, musicPath, video.newFileName());
    int messagesFd = -1;
    {
        HeldStopSignals held;
        messagesFd = spawnWithErrorPipe(args, frames[0], child, error);
        if (messagesFd >= 0) video.setWriter(child);
    }
    close(frames[0]);
    if (messagesFd < 0) {
        close(frames[1]);
        child = -1;
        video.abandon();
        return false;
    }
    framesFd = frames[1];
    framesTaken = 0;
    writeError = 0;
    messages.clear();
    drain = std::thread([this, messagesFd] { messages = readToEnd(messagesFd); });
    return true;
}

bool VideoEncoder::addFrame(const RgbImage& frame) {
    if (framesFd < 0 || writeError != 0) return false;
    const uint8_t* bytes = frame.rgb.data();
    size_t left = frame.rgb.size();
    while (left > 0) {
        const ssize_t put = write(framesFd, bytes, left);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) {
            writeError = errno;
            return false;
        }
        bytes += put;
        left -= static_cast<size_t>(put);
    }
    ++framesTaken;
    return true;
}

bool VideoEncoder::finish(std::string& error) {
    if (child < 0) {
        error = "the video was not started";
        return false;
    }
    close(framesFd);
    framesFd = -1;
    const int status = waitForExit(child);
    child = -1;
    drain.join();
    if (status == 0 && writeError == 0) return video.commit(error);
    error = "ffmpeg could not make " + video.path() + " (" + exitText(status);
    if (writeError != 0) error += "; it stopped taking frames after " + std::to_string(framesTaken);
    error += ")";
    if (!lastLine(messages).empty()) error += ": " + lastLine(messages);
    video.abandon();
    return false;
}

void VideoEncoder::stop() {
    if (framesFd >= 0) close(framesFd);
    framesFd = -1;
    if (child > 0) {
        kill(child, SIGKILL);
        waitForExit(child);
    }
    child = -1;
    if (drain.joinable()) drain.join();
    video.abandon();
}
