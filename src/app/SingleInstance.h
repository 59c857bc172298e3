#pragma once
// Only one copy of the program may run at a time: two copies would fight over the serial port
// and the GPRS server port and overwrite each other's settings.
//
// The marker is an advisory lock on a file named after the executable in the runtime folder.
// The system drops the lock when the process ends in any way, so a crashed or killed run
// never blocks the next one.

#include <string>

// What the program shows before it ends when another copy holds the marker.
inline constexpr const char* kAlreadyRunningMessage =
    "系统检测到上一次运行本程序尚未退出或者未能正常退出.\r\n"
    "请按ALT+TAB键切换到上一次的程序中, 或重新启动计算机后再试.";

// $XDG_RUNTIME_DIR, else /tmp.
std::string RuntimeFolder();

enum class TInstanceLock {
    Acquired,  // this object holds the marker now (or held it already)
    Busy,      // another run holds it
    Failed,    // the lock file cannot be opened or locked: the guard cannot tell
};

class TSingleInstanceGuard {
public:
    TSingleInstanceGuard() = default;
    ~TSingleInstanceGuard();
    TSingleInstanceGuard(const TSingleInstanceGuard&) = delete;
    TSingleInstanceGuard& operator=(const TSingleInstanceGuard&) = delete;

    // Takes the marker for the program of the given name (the executable's file name): the
    // lock file folder/<name>.lock, created when missing, stays open until Release.
    TInstanceLock Acquire(const std::string& name, const std::string& folder = RuntimeFolder());
    void Release();
    bool Held() const { return Fd_ >= 0; }
    const std::string& LockFile() const { return LockFile_; }

private:
    int Fd_ = -1;
    std::string LockFile_;
};
