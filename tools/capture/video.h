#pragma once
#include <string>

// The full path of an executable found on PATH, or empty when there is none.
std::string findOnPath(const std::string& program);

// Encodes outDir/frame_%05d.png at fps into videoPath with H.264, with musicPath looped
// under it when that is not empty. The video is written under a temporary name and only
// renamed to videoPath once ffmpeg has finished it. Returns false and says why (with
// ffmpeg's last line) when ffmpeg cannot be started or fails; nothing is then left at
// videoPath, not even an older video.
bool encodeVideo(const std::string& ffmpeg, const std::string& outDir, int fps,
                 const std::string& musicPath, const std::string& videoPath, std::string& error);
