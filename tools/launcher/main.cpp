// zorvex: starts the installed demo inside a content pack, its own or the one --data names,
// from any folder. It finds itself through /proc/self/exe rather than through helper
// programs, so it works whatever PATH holds (or lacks).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/pack_files.h"
#include "common/installed_content.h"
#include "platform/files.h"

namespace {

const char kHelp[] =
    "Usage: zorvex [--data DIR] [ARGUMENT...]\n"
    "Starts the Zorvex 2005 Demo inside its installed content pack, or inside the pack in DIR.\n"
    "Any ARGUMENT makes the demo ask its four start-up questions (full screen, motion blur,\n"
    "lighting, frame rate) on the terminal; without one it opens a 450 x 450 window with\n"
    "motion blur, lighting and the frame rate every three seconds.\n"
    "\n"
    "Options (before the demo's arguments):\n"
    "  --data DIR   play the pack in DIR: models/, tex/, rec/ and audio/ as the demo names\n"
    "               them, in any letter case; check it first with zorvex-pack check DIR\n"
    "  --           hand everything after it to the demo\n"
    "  -h, --help   show this help and exit\n"
    "\n"
    "A missing DIR, or one that holds none of the pack's files, is one line on standard\n"
    "error and exit status 1, before any window opens.\n";

int fail(const std::string& problem, int status = 1) {
    std::fprintf(stderr, "zorvex: %s\n", problem.c_str());
    return status;
}

// Whether the working directory holds any file of a pack, found as the demo finds it.
bool holdsPackFile() {
    for (const char* name : kPackFiles) {
        const int fd = openRegularFile(name);
        if (fd >= 0) {
            close(fd);
            return true;
        }
    }
    return false;
}

std::string packFileList() {
    std::string list;
    for (const char* name : kPackFiles) list += (list.empty() ? "" : ", ") + nativePath(name);
    return list;
}

// The options the launcher takes before the demo's own arguments; false for a usage error.
bool readOptions(int argc, char** argv, std::string& data, int& next) {
    next = 1;
    const char* first = argc > 1 ? argv[1] : "";
    if (!std::strcmp(first, "--data")) {
        if (argc < 3) return false;
        data = argv[2];
        next = 3;
    } else if (!std::strncmp(first, "--data=", 7)) {
        data = first + 7;
        next = 2;
    }
    if (next < argc && !std::strcmp(argv[next], "--")) ++next;
    return next == 1 || !data.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help"))) {
        std::fputs(kHelp, stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    std::string data;
    int next = 1;
    if (!readOptions(argc, argv, data, next))
        return fail("--data needs a folder\nusage: zorvex [--data DIR] [ARGUMENT...]", 2);

    const std::string own = programFolder();
    if (own.empty()) return fail("cannot tell where it is installed: /proc/self/exe is unreadable");
    const std::string pack = data.empty() ? own + "/" + ZORVEX_CONTENT_FROM_TOOLS : data;
    if (chdir(pack.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        return fail(data.empty() ? "the content pack is missing (" + pack + "): " + reason
                                 : data + ": cannot play a pack from it: " + reason);
    }
    if (!holdsPackFile())
        return fail(pack + " holds none of the pack's files (" + packFileList() + ")");
    const std::string demo = own + "/" + ZORVEX_DEMO_FROM_TOOLS + "/zorvex";
    std::vector<char*> demoArgs = {const_cast<char*>(demo.c_str())};
    demoArgs.insert(demoArgs.end(), argv + next, argv + argc);
    demoArgs.push_back(nullptr);
    execv(demo.c_str(), demoArgs.data());
    return fail("cannot start the demo program " + demo + ": " + std::strerror(errno));
}
