#include "platform/helper_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/child_process.h"
#include "platform/system_error.h"

namespace orvalo {

namespace {

struct Descriptor {
    int fd = -1;
    ~Descriptor() { reset(); }
    void reset() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

}  // namespace

HelperResult runHelper(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                       std::string_view input, std::chrono::steady_clock::time_point deadline,
                       const std::atomic<bool>* abort, const std::function<bool(std::string_view)>& sink) {
    HelperResult result;
    // The request goes through a socket: a helper that ends before reading it makes
    // our write fail with EPIPE instead of raising SIGPIPE in this process.
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        result.error = SystemError(errno).what();
        return result;
    }
    Descriptor request{pair[0]}, theirs{pair[1]};
    Child child;
    try {
        ChildOptions options;
        options.arguments = {program.string()};
        options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
        options.captureOutput = true;
        options.captureErrors = false;
        options.standardInput = theirs.fd;
        child = startChild(options);
    } catch (const std::exception& e) {
        result.error = e.what();
        return result;
    }
    theirs.reset();
    Descriptor output{child.outputFd}, pidfd{child.pidfd};
    ::shutdown(request.fd, input.empty() ? SHUT_WR : SHUT_RD);

    bool outputOpen = true;
    bool ended = false;
    result.end = HelperEnd::Exited;  // unless something below ends it first
    char buffer[65536];
    while (!ended || outputOpen) {
        if (abort != nullptr && abort->load()) {
            result.end = HelperEnd::Aborted;
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            result.end = HelperEnd::TimedOut;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        pollfd fds[3] = {{output.fd, static_cast<short>(outputOpen ? POLLIN : 0), 0},
                         {pidfd.fd, static_cast<short>(ended ? 0 : POLLIN), 0},
                         {request.fd, static_cast<short>(input.empty() ? 0 : POLLOUT), 0}};
        if (::poll(fds, 3, static_cast<int>(std::min<long long>(left + 1, 100))) < 0 && errno != EINTR) {
            result.end = HelperEnd::Aborted;
            break;
        }
        if (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) {
            const ssize_t n = ::send(request.fd, input.data(), input.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) input.remove_prefix(static_cast<std::size_t>(n));
            else if (n < 0 && errno != EAGAIN && errno != EINTR) input = {};  // it will not read the rest
            if (input.empty()) ::shutdown(request.fd, SHUT_WR);
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::read(output.fd, buffer, sizeof buffer);
            if (n > 0 && !sink(std::string_view(buffer, static_cast<std::size_t>(n)))) {
                result.end = HelperEnd::SinkStopped;
                break;
            }
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) outputOpen = false;
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) ended = true;
    }
    if (result.end != HelperEnd::Exited) ::kill(-child.pid, SIGKILL);  // its group: it leads one
    siginfo_t info{};
    while (::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd.fd), &info, WEXITED) != 0 && errno == EINTR) {
    }
    if (result.end == HelperEnd::Exited)
        result.exitStatus = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
    return result;
}

}  // namespace orvalo
