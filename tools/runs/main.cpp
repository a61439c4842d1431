// zorvex-runs: looks into run files, converts them to and from CSV, and maps them.
#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/output_file.h"
#include "platform/standard_streams.h"
#include "runs/run_csv.h"
#include "runs/run_file.h"
#include "runs/run_plot.h"

namespace {

// After a command-line error: the synopsis; --help gives the whole text.
const char kUsage[] =
    "usage: zorvex-runs dump RUN [--out TEXT]\n"
    "       zorvex-runs csv RUN [--out CSV]\n"
    "       zorvex-runs from-csv CSV RUN\n"
    "       zorvex-runs plot --track MODEL --out PNG [--size WxH] [--step MS] RUN...\n";
const char kHelp[] =
    "Usage: zorvex-runs dump RUN [--out TEXT]\n"
    "  or:  zorvex-runs csv RUN [--out CSV]\n"
    "  or:  zorvex-runs from-csv CSV RUN\n"
    "  or:  zorvex-runs plot --track MODEL --out PNG [--size WxH] [--step MS] RUN...\n"
    "Looks into the Zorvex 2005 Demo's run files (headerless sequences of 36-byte records),\n"
    "converts them to and from CSV, and maps them over the track. Bad input gets one line\n"
    "naming the file (and for CSV the line). An output is written under a new name and put\n"
    "in place only when it is whole; a link, a device or FIFO, and an input are never\n"
    "replaced, nor by plot a file that is not a PNG picture.\n"
    "\n"
    "Commands:\n"
    "  dump RUN           one row per record: time, gap to the previous record, position,\n"
    "                     pitch, roll, heading, speed and turn rate; then warnings about\n"
    "                     times that go backwards and trailing bytes that make no whole\n"
    "                     record (playback ignores them)\n"
    "  csv RUN            the records as CSV, floats exact to the bit\n"
    "  from-csv CSV RUN   the CSV back into a run file, with the demo's own record encoder\n"
    "  plot RUN...        a PNG map: the track seen from above (lighter where higher), each\n"
    "                     run's path as the demo's dead reckoning drives it, and its\n"
    "                     records as dots coloured by speed, from blue (standing) to red\n"
    "                     (fastest)\n"
    "\n"
    "Options:\n"
    "  --track MODEL      plot: the track model, models/track.ascii of a content pack\n"
    "  --out FILE         plot: the picture to write; dump, csv: the file to write instead\n"
    "                     of standard output\n"
    "  --size WxH         plot: the picture size (default 600x600)\n"
    "  --step MS          plot: the dead-reckoning step in milliseconds (default 10)\n"
    "  -h, --help         show this help and exit\n"
    "\n"
    "Examples:\n"
    "  $ zorvex-runs dump rec/record1.rec\n"
    "  $ zorvex-runs csv rec/record1.rec --out r1.csv\n"
    "  $ zorvex-runs from-csv r1.csv edited.rec\n"
    "  $ zorvex-runs plot --track models/track.ascii --out m.png rec/*\n";

const char kProgram[] = "zorvex-runs";

int usageError(const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n%s", kProgram, problem.c_str(), kUsage);
    return 2;
}

int failure(const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", kProgram, problem.c_str());
    return 1;
}

// One line on standard output.
void say(const std::string& line) {
    writeStandardOutput(line.data(), line.size());
    writeStandardOutput("\n", 1);
}

// Standard output checked to its end: a full disk or a closed pipe is a failure, status 1.
int finished(int status) {
    const bool delivered = finishStandardOutput(kProgram);
    return status == 0 && !delivered ? 1 : status;
}

// Where dump and csv write: standard output, or with --out a file put in place only once
// it is whole. A failed write is kept with its reason and stops a long listing at once.
class TextOutput {
  public:
    bool open(const std::string& path, const std::string& input, std::string& error) {
        return path.empty() || file.open(path, {input}, error);
    }
    void print(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args, again;
        va_start(args, format);
        va_copy(again, args);
        const int length = std::max(0, std::vsnprintf(line, sizeof line, format, args));
        std::string longer;
        if (static_cast<size_t>(length) >= sizeof line) {  // a long file name
            longer.resize(static_cast<size_t>(length) + 1);
            std::vsnprintf(&longer[0], longer.size(), format, again);
        }
        va_end(again);
        va_end(args);
        const char* text = longer.empty() ? line : longer.c_str();
        const size_t count = static_cast<size_t>(length);
        if (!(file.stream() ? file.write(text, count) : writeStandardOutput(text, count)))
            failedWrite = true;
    }
    bool failed() const { return failedWrite; }
    int finish() {
        if (!file.stream()) return finished(0);
        std::string error;
        return file.commit(error) ? finished(0) : finished(failure(error));
    }

  private:
    OutputFile file;
    bool failedWrite = false;
    char line[512];
};

void printRow(TextOutput& out, uint64_t index, const RunRecord& r, const RunRecord* previous) {
    char gap[24] = "-";
    if (previous) std::snprintf(gap, sizeof gap, "%" PRId64, int64_t{r.timeMs} - previous->timeMs);
    out.print("%5" PRIu64 " %10u %8s %10.4f %10.4f %10.4f %9.3f %9.3f %10.3f %9.4f %9.4f\n",
              index + 1, r.timeMs, gap, r.position.x, r.position.y, r.position.z, r.pitch, r.roll,
              r.heading, r.forwardSpeed, r.turnRate);
}

// The rows go out as the records are read: a run file of any size costs one record.
int dump(const std::string& path, const std::string& outPath) {
    RunFileReader run;
    TextOutput out;
    std::string error;
    uint64_t bytes = 0;
    if (!run.open(path, error, &bytes) || !out.open(outPath, path, error)) return failure(error);
    out.print("%s: %" PRIu64 " records, %" PRIu64 " bytes\n", path.c_str(), bytes / kRunRecordSize,
              bytes);
    out.print("%5s %10s %8s %10s %10s %10s %9s %9s %10s %9s %9s\n", "#", "time ms", "gap ms", "x",
              "y", "z", "pitch", "roll", "heading", "speed", "turn");
    RunWarnings warnings;
    RunRecord record, previous;
    for (uint64_t i = 0; !out.failed() && run.next(record); ++i) {
        printRow(out, i, record, i > 0 ? &previous : nullptr);
        warnings.add(record);
        previous = record;
    }
    if (!run.finish(error)) return failure(error);
    for (const std::string& warning : warnings.finish(run.trailingBytes()))
        out.print("warning: %s\n", warning.c_str());
    return out.finish();
}

int toCsv(const std::string& path, const std::string& outPath) {
    RunFileReader run;
    TextOutput out;
    std::string error;
    if (!run.open(path, error) || !out.open(outPath, path, error)) return failure(error);
    out.print("%s\n", kRunCsvHeader);
    RunWarnings warnings;
    RunRecord record;
    while (!out.failed() && run.next(record)) {
        out.print("%s\n", runCsvLine(record).c_str());
        warnings.add(record);
    }
    if (!run.finish(error)) return failure(error);
    // What the CSV cannot carry is said on standard error.
    for (const std::string& warning : warnings.finish(run.trailingBytes()))
        std::fprintf(stderr, "warning: %s: %s\n", path.c_str(), warning.c_str());
    return out.finish();
}

int fromCsv(const std::string& csvPath, const std::string& runPath) {
    std::vector<RunRecord> records;
    std::string error;
    if (!checkOutputPath(runPath, {csvPath}, error) || !readRunCsv(csvPath, records, error) ||
        !writeRunFile(runPath, records, {csvPath}, error)) {
        return failure(error);
    }
    say(runPath + ": " + std::to_string(records.size()) + " records written");
    return finished(0);
}

// dump RUN and csv RUN, each with an optional --out FILE before or after RUN.
int listing(int argc, char** argv, int (*command)(const std::string&, const std::string&)) {
    std::string runPath, outPath, error;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out") {
            if (!takeValue(argc, argv, i, outPath, error)) return usageError(error);
        } else if (argument.rfind("--", 0) == 0) {
            return usageError("unknown option " + argument);
        } else if (runPath.empty()) {
            runPath = argument;
        } else {
            return usageError("one run file at a time: " + argument);
        }
    }
    if (runPath.empty()) return usageError(std::string(argv[1]) + " needs a run file");
    return command(runPath, outPath);
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
    for (const std::string& note : notes) say(note);
    say(options.outPath + ": " + std::to_string(options.width) + "x" +
        std::to_string(options.height) + " map of " + std::to_string(options.runPaths.size()) +
        " runs");
    return finished(0);
}

}  // namespace

int main(int argc, char** argv) {
    openClosedStandardStreams();
    // Ctrl-C ends it at once and leaves no half-written file behind.
    stopOnSignals();
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "dump") return listing(argc, argv, dump);
    if (command == "csv") return listing(argc, argv, toCsv);
    if (command == "from-csv" && argc == 4) return fromCsv(argv[2], argv[3]);
    if (command == "plot") return plot(argc, argv);
    if (command == "--help" || command == "-h") {
        writeStandardOutput(kHelp, sizeof kHelp - 1);
        return finished(0);
    }
    return usageError(command.empty() ? "no command given"
                                      : "cannot run \"" + command + "\" with these arguments");
}
