// The entry point every fuzz target defines; libFuzzer or replay_main.cpp calls it.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
