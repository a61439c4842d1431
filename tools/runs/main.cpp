// zorvex-runs: looks into run files, converts them to and from CSV, and maps them.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "platform/standard_streams.h"
#include "runs/run_csv.h"
#include "runs/run_file.h"
#include "runs/run_plot.h"

namespace {

// After a command-line error: the synopsis; --help gives the whole text.
const char kUsage[] =
    "usage: zorvex-runs dump RUN\n"
    "       zorvex-runs csv RUN\n"
    "       zorvex-runs from-csv CSV RUN\n"
    "       zorvex-runs plot --track MODEL --out PNG [--size WxH] [--step MS] RUN...\n";
const char kHelp[] =
    "Usage: zorvex-runs dump RUN\n"
    "  or:  zorvex-runs csv RUN\n"
    "  or:  zorvex-runs from-csv CSV RUN\n"
    "  or:  zorvex-runs plot --track MODEL --out PNG [--size WxH] [--step MS] RUN...\n"
    "Looks into the Zorvex 2005 Demo's run files (headerless sequences of 36-byte records),\n"
    "converts them to and from CSV, and maps them over the track. Bad input gets one line\n"
    "naming the file (and for CSV the line).\n"
    "\n"
    "Commands:\n"
    "  dump RUN           one row per record: time, gap to the previous record, position,\n"
    "                     pitch, roll, heading, speed and turn rate; then warnings about\n"
    "                     times that go backwards and trailing bytes that make no whole\n"
    "                     record (playback ignores them)\n"
    "  csv RUN            the records as CSV on standard output, floats exact to the bit\n"
    "  from-csv CSV RUN   the CSV back into a run file, with the demo's own record encoder\n"
    "  plot RUN...        a PNG map: the track seen from above (lighter where higher), each\n"
    "                     run's path as the demo's dead reckoning drives it, and its\n"
    "                     records as dots coloured by speed, from blue (standing) to red\n"
    "                     (fastest)\n"
    "\n"
    "Options:\n"
    "  --track MODEL      plot: the track model, models/track.ascii of a content pack\n"
    "  --out PNG          plot: the picture to write\n"
    "  --size WxH         plot: the picture size (default 600x600)\n"
    "  --step MS          plot: the dead-reckoning step in milliseconds (default 10)\n"
    "  -h, --help         show this help and exit\n"
    "\n"
    "Examples:\n"
    "  $ zorvex-runs dump rec/record1.rec\n"
    "  $ zorvex-runs csv rec/record1.rec > r1.csv\n"
    "  $ zorvex-runs from-csv r1.csv edited.rec\n"
    "  $ zorvex-runs plot --track models/track.ascii --out m.png rec/*\n";

int usageError(const std::string& problem) {
    std::fprintf(stderr, "zorvex-runs: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

int failure(const std::string& problem) {
    std::fprintf(stderr, "zorvex-runs: %s\n", problem.c_str());
    return 1;
}

void printRow(size_t index, const RunRecord& r, const RunRecord* previous) {
    char gap[24] = "-";
    if (previous) std::snprintf(gap, sizeof gap, "%" PRId64, int64_t{r.timeMs} - previous->timeMs);
    std::printf("%5zu %10u %8s %10.4f %10.4f %10.4f %9.3f %9.3f %10.3f %9.4f %9.4f\n", index + 1,
                r.timeMs, gap, r.position.x, r.position.y, r.position.z, r.pitch, r.roll, r.heading,
                r.forwardSpeed, r.turnRate);
}

int dump(const std::string& path) {
    RunFile run;
    std::string error;
    if (!readRunFile(path, run, error)) return failure(error);
    std::printf("%s: %zu records, %zu bytes\n", path.c_str(), run.records.size(),
                run.records.size() * kRunRecordSize + run.trailingBytes);
    std::printf("%5s %10s %8s %10s %10s %10s %9s %9s %10s %9s %9s\n", "#", "time ms", "gap ms", "x",
                "y", "z", "pitch", "roll", "heading", "speed", "turn");
    for (size_t i = 0; i < run.records.size(); ++i)
        printRow(i, run.records[i], i > 0 ? &run.records[i - 1] : nullptr);
    for (const std::string& warning : runFileWarnings(run))
        std::printf("warning: %s\n", warning.c_str());
    return 0;
}

int toCsv(const std::string& path) {
    RunFile run;
    std::string error;
    if (!readRunFile(path, run, error)) return failure(error);
    // The CSV goes to standard output; what it cannot carry is said on standard error.
    for (const std::string& warning : runFileWarnings(run))
        std::fprintf(stderr, "warning: %s: %s\n", path.c_str(), warning.c_str());
    printRunCsv(run.records, stdout);
    return 0;
}

int fromCsv(const std::string& csvPath, const std::string& runPath) {
    std::vector<RunRecord> records;
    std::string error;
    if (!readRunCsv(csvPath, records, error)) return failure(error);
    if (!writeRunFile(runPath, records, error)) return failure(error);
    std::printf("%s: %zu records written\n", runPath.c_str(), records.size());
    return 0;
}

bool plotOption(int argc, char** argv, int& i, PlotOptions& options, std::string& error) {
    const std::string name = argv[i];
    std::string value;
    if (!takeValue(argc, argv, i, value, error)) return false;
    if (name == "--track")
        options.trackPath = value;
    else if (name == "--out")
        options.outPath = value;
    else if (name == "--size")
        return parseSize(name, value, options.width, options.height, error);
    else if (name == "--step") {
        int64_t step = 0;
        if (!parseCount(name, value, 1, 1000, step, error)) return false;
        options.stepMs = static_cast<int>(step);
    }
    return true;
}

int plot(int argc, char** argv) {
    PlotOptions options;
    std::string error;
    for (int i = 2; i < argc; ++i) {
        const bool option = std::strncmp(argv[i], "--", 2) == 0;
        const bool known =
            option && (!std::strcmp(argv[i], "--track") || !std::strcmp(argv[i], "--out") ||
                       !std::strcmp(argv[i], "--size") || !std::strcmp(argv[i], "--step"));
        if (option && !known) return usageError(std::string("unknown option ") + argv[i]);
        if (!option)
            options.runPaths.push_back(argv[i]);
        else if (!plotOption(argc, argv, i, options, error))
            return usageError(error);
    }
    if (options.trackPath.empty() || options.outPath.empty() || options.runPaths.empty()) {
        return usageError("plot needs --track, --out and at least one run file");
    }
    std::vector<std::string> notes;
    if (!plotRuns(options, notes, error)) return failure(error);
    for (const std::string& note : notes) std::printf("%s\n", note.c_str());
    std::printf("%s: %dx%d map of %zu runs\n", options.outPath.c_str(), options.width,
                options.height, options.runPaths.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    openClosedStandardStreams();
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "dump" && argc == 3) return dump(argv[2]);
    if (command == "csv" && argc == 3) return toCsv(argv[2]);
    if (command == "from-csv" && argc == 4) return fromCsv(argv[2], argv[3]);
    if (command == "plot") return plot(argc, argv);
    if (command == "--help" || command == "-h") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    return usageError(command.empty() ? "no command given"
                                      : "cannot run \"" + command + "\" with these arguments");
}
