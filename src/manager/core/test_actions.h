// The "Test action" runs of the window: each runs runTestAction on a thread of its
// own and is tracked, as the runner's runs are, so closing the window ends them:
// beginStop() cuts every test time short, so each command is asked to close then,
// as at the end of its test, and join() waits for them. Thread-safe.
#pragma once

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "manager/core/test_action.h"

namespace orvalo {

class TestActions {
public:
    using OnError = std::function<void(const std::string& message)>;

    TestActions();
    ~TestActions();
    TestActions(const TestActions&) = delete;
    TestActions& operator=(const TestActions&) = delete;

    // Where tests are recorded; set before any starts.
    void setHistory(RunHistory* history, std::size_t outputBytes) {
        history_ = history;
        outputBytes_ = outputBytes;
    }
    // Starts the test; onError gets the message of a failure, on the test's thread.
    // Nothing starts once the stop has begun.
    void start(TestAction action, std::chrono::milliseconds testTime, OnError onError);
    bool active() const;
    void beginStop();
    void join();

private:
    mutable std::mutex mutex_;
    int stopFd_;  // readable once the stop has begun
    RunHistory* history_ = nullptr;
    std::size_t outputBytes_ = 0;
    bool stopping_ = false;
    struct Run {
        std::thread thread;
        std::shared_ptr<bool> done;  // under mutex_
    };
    std::list<Run> runs_;
};

}  // namespace orvalo
