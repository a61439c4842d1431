#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <thread>

#include "common/output_file.h"
#include "common/png_image.h"

// The full path of an executable found on PATH, or empty when there is none.
std::string findOnPath(const std::string& program);

// Whether ffmpeg can decode the first seconds of musicPath (a path it reads as a plain file
// name, relative to the working directory). False, with ffmpeg's last line in problem, when
// it cannot. Nothing is written.
bool musicDecodes(const std::string& ffmpeg, const std::string& musicPath, double seconds,
                  std::string& problem);

// An H.264 video encoded while the frames are made: each frame goes to ffmpeg as raw RGB on
// a pipe, and ffmpeg writes the video into an OutputFile that is put in place only once it
// has finished. Expects SIGPIPE to be ignored, so a stopped ffmpeg shows as a failed write.
class VideoEncoder {
  public:
    VideoEncoder() = default;
    ~VideoEncoder();  // an unfinished video: ffmpeg is ended and its file removed
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Starts ffmpeg for frames of width x height at fps frames per second, with musicPath
    // (relative to the working directory) looped under them unless it is empty. False and
    // why when videoPath cannot be written or ffmpeg cannot be started.
    bool start(const std::string& ffmpeg, int width, int height, int fps,
               const std::string& musicPath, const std::string& videoPath, std::string& error);
    // Hands ffmpeg the next frame, which has the size given to start(). False once ffmpeg
    // takes no more; finish() then says why.
    bool addFrame(const RgbImage& frame);
    // Ends the frames, waits for ffmpeg and puts the video in place. False and why when
    // ffmpeg failed or stopped early; no video is left at videoPath then.
    bool finish(std::string& error);

  private:
    void stop();

    OutputFile video;
    pid_t child = -1;
    int framesFd = -1;
    std::thread drain;  // reads ffmpeg's messages, so a chatty ffmpeg never blocks on them
    std::string messages;
    int64_t framesTaken = 0;
    int writeError = 0;
};
