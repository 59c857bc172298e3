#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

[[noreturn]] void RaiseErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

UdpSocket::~UdpSocket() {
    Close();
}

void UdpSocket::Open(int port) {
    Close();
    if (port < 0 || port > 65535) {
        errno = EINVAL;
        RaiseErrno("bind");
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) RaiseErrno("socket");
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof local;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        RaiseErrno("bind");
    }
    Fd_ = fd;
    Port_ = ntohs(local.sin_port);
    Buffer_.resize(kMaxDatagram);
}

void UdpSocket::Close() {
    if (Fd_ >= 0) ::close(Fd_);
    Fd_ = -1;
    Port_ = 0;
}

bool UdpSocket::ReceiveFrom(std::string& bytes, std::string& address, int& port) {
    if (Fd_ < 0) return false;
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n = ::recvfrom(Fd_, Buffer_.data(), Buffer_.size(), 0,
                                 reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) return false;
    bytes.assign(Buffer_.data(), static_cast<size_t>(n));
    char text[INET_ADDRSTRLEN] = {};
    address = from.sin_family == AF_INET && ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text)
                  ? text
                  : "";
    port = ntohs(from.sin_port);
    return true;
}

bool UdpSocket::SendTo(const std::string& address, int port, std::string_view bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    if (Fd_ < 0) {
        LastError_ = EBADF;
        return false;
    }
    if (port <= 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) {
        LastError_ = EINVAL;
        return false;
    }
    to.sin_port = htons(static_cast<uint16_t>(port));
    const ssize_t n = ::sendto(Fd_, bytes.data(), bytes.size(), 0,
                               reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (n < 0 || static_cast<size_t>(n) != bytes.size()) {
        LastError_ = n < 0 ? errno : EMSGSIZE;
        return false;
    }
    return true;
}
