// Slow work (a service manager that takes seconds, an SMTP server that may not
// answer) done off the window's thread, so the window keeps responding: the owner
// shows the busy cursor and takes no input until the work is done, then done() is
// called on the owner's thread with the work's outcome or the message of its error.
// The work must not touch anything of the owner's thread.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

namespace orvalo {

template <typename T>
struct TaskOutcome {
    std::optional<T> value;  // empty when the work failed
    std::string error;
};

void runInBackground(QWidget* owner, std::function<void()> work, std::function<void(const std::string& error)> done);

template <typename T>
void runInBackground(QWidget* owner, std::function<T()> work, std::function<void(const TaskOutcome<T>&)> done) {
    auto result = std::make_shared<std::optional<T>>();
    runInBackground(
        owner, [work, result] { *result = work(); },
        [result, done](const std::string& error) { done(TaskOutcome<T>{*result, error}); });
}

}  // namespace orvalo
