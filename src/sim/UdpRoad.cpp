#include "sim/UdpRoad.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "protocol/Frame.h"

namespace {

constexpr int kIdleMs = 100;
const TBytes kRegistrationReply("\x7B\x81\x00\x10", 4);
const TBytes kPcData("\x7B\x89\x00\x10", 4);
constexpr size_t kMinFrame = 8;

std::string ResolveIpv4(const std::string& host) {
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1) return host;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        throw std::runtime_error("cannot find host " + host);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text,
                sizeof text);
    ::freeaddrinfo(found);
    return text;
}

bool StartsWith(const TBytes& bytes, const TBytes& prefix) {
    return bytes.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string Gprs::PaddedId(const std::string& id) {
    const std::string tail = id.size() > kIdSize ? id.substr(id.size() - kIdSize) : id;
    return PadLeft(tail, kIdSize, '0');
}

TBytes Gprs::Registration(const std::string& id, std::uint32_t address, int port) {
    TBytes bytes = TBytes("\x7B\x01\x00\x16", 4) + PaddedId(id);
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<char>(address >> shift));
    bytes.push_back(static_cast<char>(port >> 8));
    bytes.push_back(static_cast<char>(port & 0xFF));
    bytes.push_back('\x7B');
    return bytes;
}

TBytes Gprs::DataHeader(const std::string& id) {
    return TBytes("\x7B\x09\x00\x10", 4) + PaddedId(id) + "\x7B";
}

TUdpRoad::TUdpRoad(const std::string& host, int port, const std::string& deviceId,
                   int registerEverySec, TSimController& controller)
    : Host_(ResolveIpv4(host)),
      Port_(port),
      Id_(Gprs::PaddedId(deviceId)),
      RegisterEveryMs_(registerEverySec * 1000),
      Controller_(controller) {
    try {
        Socket_.Open(0);
    } catch (const std::system_error& e) {
        throw std::runtime_error(std::string("cannot open a UDP socket: ") + e.what());
    }
}

void TUdpRoad::SendTo(const std::string& address, int port, const TBytes& bytes) {
    if (!Socket_.SendTo(address, port, bytes))
        Controller_.Log().Note("send to " + address + ":" + std::to_string(port) + " failed (" +
                               std::to_string(Socket_.LastError()) + ")");
}

void TUdpRoad::Send(const TBytes& bytes) {
    SendTo(Host_, Port_, bytes);
}

void TUdpRoad::Register() {
    // The socket listens on all addresses: the terminal reports none of its own.
    Send(Gprs::Registration(Id_, 0, LocalPort()));
    Controller_.Log().Note("registration of " + Id_ + " sent to " + Host_ + ":" +
                           std::to_string(Port_));
    NextRegistration_ =
        RegisterEveryMs_ > 0 ? TSimController::SystemSteadyMs() + RegisterEveryMs_ : 0;
}

void TUdpRoad::HandleDatagram(const TBytes& bytes, const std::string& from, int fromPort) {
    TBytes rest = bytes;
    if (StartsWith(rest, Gprs::kTestProbe)) {
        Controller_.Log().Note("test probe from " + from + ":" + std::to_string(fromPort));
        SendTo(from, fromPort, Gprs::kTestAnswer);
        rest.erase(0, std::string(Gprs::kTestProbe).size());
    }
    while (rest.size() >= Gprs::kDataHeaderSize) {
        if (StartsWith(rest, kRegistrationReply)) {
            Controller_.Log().Note("registration answered by " + from);
            rest.erase(0, Gprs::kDataHeaderSize);
            continue;
        }
        if (!StartsWith(rest, kPcData)) break;
        rest.erase(0, Gprs::kDataHeaderSize);
        const size_t start = rest.find(static_cast<char>(Frame::kStart));
        if (start == TBytes::npos || rest.size() < start + kMinFrame) break;
        rest.erase(0, start);
        const std::uint8_t key = ByteAt(rest, 2) ^ Frame::kScrambleBase;
        const size_t size = std::min<size_t>(rest.size(), (ByteAt(rest, 4) ^ key) + 5u);
        Controller_.Receive(ScrambleFrom4th(rest.substr(0, size), key));
        rest.erase(0, size);
    }
}

void TUdpRoad::SendDue() {
    TFaultInjector& faults = Controller_.Faults();
    for (const std::vector<TBytes>& reply : Controller_.TakeDue()) {
        std::vector<TBytes> datagrams;
        for (const TBytes& frame : reply) {
            Controller_.Log().Sent(frame);
            const std::uint8_t key = ByteAt(frame, 1) ^ Frame::kScrambleBase;
            datagrams.push_back(Gprs::DataHeader(Id_) + faults.StrayBytes() +
                                ScrambleFrom4th(frame, key));
        }
        for (const TBytes& datagram : faults.Transfers(datagrams)) Send(datagram);
    }
}

void TUdpRoad::Poll(int timeoutMs) {
    int wait = Controller_.MsUntilNext(timeoutMs);
    if (NextRegistration_ > 0) {
        const std::int64_t toRegistration = NextRegistration_ - TSimController::SystemSteadyMs();
        wait = static_cast<int>(std::clamp<std::int64_t>(toRegistration, 0, wait));
    }
    pollfd fd{Socket_.Fd(), POLLIN, 0};
    if (::poll(&fd, 1, wait) > 0) {
        TBytes bytes;
        std::string from;
        int fromPort = 0;
        while (Socket_.ReceiveFrom(bytes, from, fromPort)) HandleDatagram(bytes, from, fromPort);
    }
    SendDue();
    if (NextRegistration_ > 0 && TSimController::SystemSteadyMs() >= NextRegistration_) Register();
}

void TUdpRoad::Run(const std::atomic<bool>& stop) {
    Register();
    while (!stop.load()) Poll(kIdleMs);
}
