#pragma once

// The files of a content pack, as the program names them: relative to the working directory,
// with the backslash as the separator (the platform layer maps it to '/').
constexpr const char* kTrackModelFile = "models\\track.ascii";
constexpr const char* kLandscapeModelFile = "models\\landscape.ascii";
constexpr const char* kDs21ModelFile = "models\\ds21.ascii";
constexpr const char* kR5ModelFile = "models\\r5.ascii";
constexpr const char* kSkyBitmapFile = "tex\\clouds.bmp";
constexpr const char* kSmokeBitmapFile = "tex\\smoke.bmp";
constexpr const char* kCameraRunFile = "rec\\record0.rec";
constexpr const char* kDs21RunFile = "rec\\record1.rec";
constexpr const char* kR5RunFile = "rec\\record2.rec";
constexpr const char* kMusicFile = "audio\\music.mp3";

// Every file of a pack, in the order the demo opens them.
constexpr const char* kPackFiles[] = {
    kMusicFile,     kTrackModelFile,  kLandscapeModelFile, kDs21ModelFile, kR5ModelFile,
    kSkyBitmapFile, kSmokeBitmapFile, kCameraRunFile,      kDs21RunFile,   kR5RunFile};
