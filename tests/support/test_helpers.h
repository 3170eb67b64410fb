// Helpers shared by the tests: the message of an action's error, and pumping a main
// loop until something holds.
#pragma once

#include <chrono>
#include <exception>
#include <string>

#include "platform/main_loop.h"

namespace orvalo::test {

// The what() of the exception the action throws, or "(no error)".
template <typename F>
std::string errorOf(F&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

// Runs the loop until done() holds; false when limit passes first (no hang).
template <typename Done>
bool pumpUntil(MainLoop& loop, Done done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        loop.runOnce(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace orvalo::test
