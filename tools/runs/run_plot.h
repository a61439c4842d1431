#pragma once
#include <string>
#include <vector>

struct PlotOptions {
    std::string trackPath;
    std::string outPath;
    std::vector<std::string> runPaths;
    int width = 600;
    int height = 600;
    int stepMs = 10;  // dead-reckoning step between records
};

// Draws the track seen from above with each run's dead-reckoned path and its records,
// coloured by speed, into a PNG, put in place only when it is whole. Returns false and says
// why (naming the file) when the track or a run cannot be read or the image cannot be
// written, and, before anything is read, when the output is one of them, is not a regular
// file or is an existing file that is not a PNG; notes lists what the map leaves out and
// what the colours mean.
bool plotRuns(const PlotOptions& options, std::vector<std::string>& notes, std::string& error);
