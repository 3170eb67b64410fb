// A test server written in Python, run as a child process: started with its
// arguments, asked for the port it prints first, stopped when the object goes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace orvalo::test {

class PythonServer {
public:
    // script is a file name below tests/support; python is the interpreter to use.
    PythonServer(const std::string& script, const std::vector<std::string>& arguments,
                 const std::string& python = "/usr/bin/python3");
    ~PythonServer();
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path) const;

private:
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
};

}  // namespace orvalo::test
