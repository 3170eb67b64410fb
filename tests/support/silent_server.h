// A server that never answers: a TCP socket on 127.0.0.1 that listens but never
// accepts, so clients connect (the kernel completes the handshake) and then wait
// for a greeting or a reply that never comes. Closed with the object.
#pragma once

namespace orvalo::test {

class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace orvalo::test
