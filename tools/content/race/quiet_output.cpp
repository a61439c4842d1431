#include "content/race/quiet_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

QuietOutput::QuietOutput() {
    std::fflush(stdout);
    saved = dup(1);
    const int sink = open("/dev/null", O_WRONLY);
    if (sink >= 0) {
        dup2(sink, 1);
        close(sink);
    }
}

QuietOutput::~QuietOutput() {
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, 1);
        close(saved);
    }
}
