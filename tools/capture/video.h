#pragma once
#include <string>

// The full path of an executable found on PATH, or empty when there is none.
std::string findOnPath(const std::string& program);

// Encodes outDir/frame_%05d.png at fps into videoPath with H.264, with musicPath looped
// under it when that is not empty. Returns false and says why when ffmpeg cannot be started
// or fails.
bool encodeVideo(const std::string& ffmpeg, const std::string& outDir, int fps, const std::string& musicPath,
                 const std::string& videoPath, std::string& error);
