// zorvex-pack: checks a content pack the way the demo will read it, before anyone plays it.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/output_file.h"
#include "pack/pack_check.h"

namespace {

const char kUsage[] = "usage: zorvex-pack check DIR\n";
const char kHelp[] =
    "Usage: zorvex-pack check DIR\n"
    "Checks the content pack in DIR exactly as the Zorvex 2005 Demo will read it, with the\n"
    "demo's own readers and letter-case rules, without opening a window, and reports every\n"
    "problem it finds, one a line, as FILE:LINE: error: TEXT or FILE:LINE: warning: TEXT\n"
    "(FILE: error: TEXT where no line applies), then a summary line.\n"
    "\n"
    "FILE is relative to DIR, as found there. An error is what makes the demo stop, show\n"
    "nonsense or leave out part of the scene; a warning is what runs, but probably not as\n"
    "its maker meant. Checked are: every file the demo opens (missing, not a regular file,\n"
    "unreadable, names that differ only in letter case); the four models line by line\n"
    "(keywords, limits, indices, long lines, numbers, where each model ends); every bitmap\n"
    "(read by the demo's reader; sizes the upload rescales; the smoke's transparency); the\n"
    "track's surface under both cars' runs; the three run files (whole records, times,\n"
    "values); the music (opened by the sound library).\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help and exit\n"
    "\n"
    "Example:\n"
    "  $ zorvex-pack check ~/mypack && zorvex --data ~/mypack\n";

int usageError(const std::string& problem) {
    std::fprintf(stderr, "zorvex-pack: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    stopOnSignals();
    if (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help"))) {
        std::fputs(kHelp, stdout);
        return finishStandardOutput("zorvex-pack") ? 0 : 1;
    }
    if (argc < 2) return usageError("no command given");
    if (std::strcmp(argv[1], "check") != 0)
        return usageError("unknown command: " + std::string(argv[1]));
    if (argc != 3) return usageError("check takes one folder");
    PackReport report;
    std::string error;
    const bool checked = checkPack(argv[2], stdout, report, error);
    if (!finishStandardOutput("zorvex-pack")) return 1;
    if (!checked) {
        std::fprintf(stderr, "zorvex-pack: %s\n", error.c_str());
        return 1;
    }
    return report.errors > 0 ? 1 : 0;
}
