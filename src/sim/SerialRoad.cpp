#include "sim/SerialRoad.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>

#include "platform/SerialDevice.h"
#include "protocol/Frame.h"

namespace {

constexpr size_t kMinFrame = 8;
constexpr size_t kHeader = 5;  // FA, two addresses, kind, length
constexpr int kIdleMs = 100;

}  // namespace

namespace {

// The frame starting at `at`: a plain frame when it is complete and its CRC holds; `complete`
// says whether its bytes are all there (a byte that cannot start a frame counts as complete).
std::optional<TBytes> FrameAt(const TBytes& buffer, size_t at, bool& complete) {
    complete = true;
    if (buffer.size() < at + kHeader) {
        complete = false;
        return std::nullopt;
    }
    const std::uint8_t key = ByteAt(buffer, at + 2) ^ Frame::kScrambleBase;
    const size_t size = (ByteAt(buffer, at + 4) ^ key) + kHeader;
    if (size < kMinFrame) return std::nullopt;
    if (buffer.size() < at + size) {
        complete = false;
        return std::nullopt;
    }
    TBytes frame = ScrambleFrom4th(buffer.substr(at, size), key);
    if (!Frame::CheckCrc(frame)) return std::nullopt;
    return frame;
}

}  // namespace

std::optional<TBytes> TRequestAssembler::FrameAtStart(size_t& skip) const {
    skip = 0;
    if (Buffer_.empty()) return std::nullopt;
    if (ByteAt(Buffer_, 0) != Frame::kStart) {
        const size_t next = Buffer_.find(static_cast<char>(Frame::kStart));
        skip = next == TBytes::npos ? Buffer_.size() : next;
        return std::nullopt;
    }
    bool complete = false;
    if (auto frame = FrameAt(Buffer_, 0, complete)) {
        skip = frame->size();
        return frame;
    }
    if (complete) {
        skip = 1;
        return std::nullopt;
    }
    // A stray 0xFA may promise more bytes than will ever come: a whole frame further on wins.
    for (size_t at = Buffer_.find(static_cast<char>(Frame::kStart), 1); at != TBytes::npos;
         at = Buffer_.find(static_cast<char>(Frame::kStart), at + 1)) {
        bool whole = false;
        if (FrameAt(Buffer_, at, whole)) {
            skip = at;
            break;
        }
    }
    return std::nullopt;
}

std::vector<TBytes> TRequestAssembler::Add(const TBytes& bytes) {
    Buffer_ += bytes;
    std::vector<TBytes> frames;
    for (;;) {
        size_t skip = 0;
        auto frame = FrameAtStart(skip);
        if (frame) frames.push_back(std::move(*frame));
        if (skip == 0) break;
        Buffer_.erase(0, skip);
    }
    return frames;
}

TSerialRoad::TSerialRoad(int fd, TSimController& controller) : Fd_(fd), Controller_(controller) {}

bool TSerialRoad::WriteAll(const TBytes& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = WriteSerial(Fd_, bytes.data() + written, bytes.size() - written);
        if (n < 0) return false;
        if (n == 0) {
            pollfd fd{Fd_, POLLOUT, 0};
            ::poll(&fd, 1, kIdleMs);
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

void TSerialRoad::SendDue() {
    TFaultInjector& faults = Controller_.Faults();
    for (const std::vector<TBytes>& reply : Controller_.TakeDue()) {
        std::vector<TBytes> units;
        for (const TBytes& frame : reply) {
            Controller_.Log().Sent(frame);
            const std::uint8_t key = ByteAt(frame, 1) ^ Frame::kScrambleBase;
            units.push_back(faults.StrayBytes() + ScrambleFrom4th(frame, key));
        }
        for (const TBytes& transfer : faults.Transfers(units)) {
            WriteAll(transfer);
            // The parts of a split frame reach the PC as separate reads.
            if (faults.Options().Split) ::usleep(20000);
        }
    }
}

bool TSerialRoad::Poll(int timeoutMs) {
    pollfd fd{Fd_, POLLIN, 0};
    const int ready = ::poll(&fd, 1, Controller_.MsUntilNext(timeoutMs));
    if (ready > 0 && (fd.revents & POLLIN)) {
        std::array<char, 512> buffer{};
        const ssize_t n = ReadSerial(Fd_, buffer.data(), buffer.size());
        if (n < 0) return false;
        for (const TBytes& frame : Assembler_.Add(TBytes(buffer.data(), static_cast<size_t>(n))))
            Controller_.Receive(frame);
    } else if (ready > 0 && (fd.revents & (POLLERR | POLLNVAL))) {
        return false;
    }
    SendDue();
    return true;
}

void TSerialRoad::Run(const std::atomic<bool>& stop) {
    while (!stop.load() && Poll(kIdleMs)) {
    }
}

TPtyLine::TPtyLine() {
    std::array<char, 256> name{};
    if (::openpty(&Master_, &Slave_, name.data(), nullptr, nullptr) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    SlavePath_ = name.data();
    termios raw{};
    if (::tcgetattr(Slave_, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(Slave_, TCSANOW, &raw);
    }
    ::fcntl(Master_, F_SETFL, ::fcntl(Master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(Master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(Slave_, F_SETFD, FD_CLOEXEC);
}

TPtyLine::~TPtyLine() {
    if (Slave_ >= 0) ::close(Slave_);
    if (Master_ >= 0) ::close(Master_);
}
