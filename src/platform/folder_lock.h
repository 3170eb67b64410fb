// Who may change the event list and the settings of a program folder: the Orvalo
// window holds this lock while it runs, orvaloctl while one command changes them,
// so the two never overwrite each other's work. An advisory flock(2) on
// "Orvalo.lock" in the folder; the system drops it when the holder ends, even by a
// crash. Not thread-safe; one object per holder.
#pragma once

#include <chrono>
#include <filesystem>

namespace orvalo {

class FolderLock {
public:
    static constexpr const char* kFileName = "Orvalo.lock";
    // The running service's lock on its folder: one service per folder.
    static constexpr const char* kServiceFileName = "OrvaloS.lock";

    // Takes the lock, trying for up to `patience`. Returns false when another holder
    // keeps it. Raises SystemError when the lock file cannot be opened (a symbolic
    // link in its place is never followed).
    bool take(const std::filesystem::path& folder, std::chrono::milliseconds patience,
              const char* fileName = kFileName);
    bool held() const { return fd_ >= 0; }
    void release();

    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace orvalo
