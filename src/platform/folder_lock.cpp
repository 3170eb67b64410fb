#include "platform/folder_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "platform/system_error.h"

namespace orvalo {

bool FolderLock::take(const std::filesystem::path& folder, std::chrono::milliseconds patience, const char* fileName) {
    release();
    const int fd = ::open((folder / fileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) throw SystemError(errno);
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    // flock has no timed wait; a holder other than a window lets go within moments.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= giveUp) {
            ::close(fd);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    fd_ = fd;
    return true;
}

void FolderLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace orvalo
