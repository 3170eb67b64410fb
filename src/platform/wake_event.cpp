#include "platform/wake_event.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/system_error.h"

namespace orvalo {

int openWakeEvent() {
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) throw SystemError(errno);
    return fd;
}

void signalWakeEvent(int fd) {
    if (fd < 0) return;
    const std::uint64_t one = 1;
    // A full counter is still a signal; nothing else can fail here.
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

void closeWakeEvent(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace orvalo
