#include "support/PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include <gtest/gtest.h>

PtyPair::PtyPair() {
    char name[128] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&Master_, &SlaveKeeper_, name, &raw, nullptr) != 0) {
        ADD_FAILURE() << "openpty failed: " << errno;
        return;
    }
    SlavePath_ = name;
    ::fcntl(Master_, F_SETFL, ::fcntl(Master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(Master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(SlaveKeeper_, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() {
    CloseMaster();
    if (SlaveKeeper_ >= 0) ::close(SlaveKeeper_);
}

void PtyPair::Write(const TBytes& bytes) const {
    size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::write(Master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd p{Master_, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
    ASSERT_EQ(done, bytes.size()) << "the master end did not take the bytes";
}

TBytes PtyPair::ReadAtLeast(size_t count, int timeoutMs) const {
    TBytes got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        got += ReadAvailable();
        if (got.size() >= count) break;
        pollfd p{Master_, POLLIN, 0};
        ::poll(&p, 1, 10);
    }
    return got;
}

TBytes PtyPair::ReadAvailable() const {
    TBytes got;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(Master_, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

void PtyPair::CloseMaster() {
    if (Master_ >= 0) ::close(Master_);
    Master_ = -1;
}

int UnreadBytes(int fd) {
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) != 0) return -1;
    return count;
}
