#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

std::string RuntimeFolder() {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    return folder && *folder ? folder : "/tmp";
}

TSingleInstanceGuard::~TSingleInstanceGuard() {
    Release();
}

TInstanceLock TSingleInstanceGuard::Acquire(const std::string& name, const std::string& folder) {
    if (Held()) return TInstanceLock::Acquired;
    // Per user: /tmp is shared, and one user's run must not block another's.
    LockFile_ = folder + "/" + name + "." + std::to_string(::getuid()) + ".lock";
    // Close-on-exec: a viewer or helper the program starts must not inherit the lock and keep
    // it after the program has ended. No-follow: in a shared /tmp a planted link must not make
    // us create or lock another file.
    int fd = ::open(LockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && errno == EACCES)  // another user's lock file: reading is enough for flock
        fd = ::open(LockFile_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return TInstanceLock::Failed;
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? TInstanceLock::Busy : TInstanceLock::Failed;
    }
    Fd_ = fd;
    return TInstanceLock::Acquired;
}

void TSingleInstanceGuard::Release() {
    // The file stays: removing it would let a new run lock a fresh file while an old one
    // still holds the removed one.
    if (Fd_ >= 0) ::close(Fd_);
    Fd_ = -1;
}
