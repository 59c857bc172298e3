#pragma once
// A non-blocking UDP socket bound to one port on all local IPv4 addresses; it receives
// datagrams with their sender and sends from the same port.

#include <string>
#include <string_view>
#include <vector>

class UdpSocket {
public:
    // The largest datagram payload IPv4 can carry.
    static constexpr size_t kMaxDatagram = 65535;

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Binds to `port` on all addresses (0: the system picks one), closing any earlier socket
    // first. Raises std::system_error when the socket cannot be made or bound.
    void Open(int port);
    void Close();
    bool IsOpen() const { return Fd_ >= 0; }
    // The bound port, 0 when closed.
    int Port() const { return Port_; }
    // For readiness watching; -1 when closed.
    int Fd() const { return Fd_; }

    // Takes one waiting datagram: false when none waits (or the socket is closed or failed).
    bool ReceiveFrom(std::string& bytes, std::string& address, int& port);
    // Sends one datagram to a dotted IPv4 address. False on failure, with LastError() telling
    // why (EINVAL for an address or port that cannot be one).
    bool SendTo(const std::string& address, int port, std::string_view bytes);
    // The errno of the last failed SendTo.
    int LastError() const { return LastError_; }

private:
    int Fd_ = -1;
    int Port_ = 0;
    int LastError_ = 0;
    std::vector<char> Buffer_;
};
