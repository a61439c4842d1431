#include "platform/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool isClosed(int fd) { return fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

}  // namespace

void openClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (!isClosed(fd)) continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        // The lower numbers are open by now, so open() normally hands back fd itself.
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}
