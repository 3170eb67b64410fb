// A descriptor one thread can make readable to wake another that polls it (eventfd).
#pragma once

namespace orvalo {

// Raises SystemError when none can be made.
int openWakeEvent();
void signalWakeEvent(int fd);
// Closes fd if open and sets it to -1.
void closeWakeEvent(int& fd);

}  // namespace orvalo
