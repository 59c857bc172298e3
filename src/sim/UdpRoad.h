#pragma once
// The GPRS road: the simulated controller behind its GPRS data terminal. The terminal
// registers with the PC's UDP server (and again every so often, as terminals do to keep
// their route open), carries the controller's frames in data envelopes and answers the
// installer's test probe.

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/UdpSocket.h"
#include "protocol/ByteUtils.h"
#include "sim/SimController.h"

namespace Gprs {
inline constexpr int kIdSize = 11;
inline constexpr int kRegistrationSize = 22;
inline constexpr int kDataHeaderSize = 16;
inline constexpr const char* kTestProbe = "GPRS Test...";
inline constexpr const char* kTestAnswer = "GPRS Ok.";

// 11 characters, left-padded with the digit 0.
std::string PaddedId(const std::string& id);
// 7B 01 00 16, the identifier, then the terminal's address and port and 7B.
TBytes Registration(const std::string& id, std::uint32_t address, int port);
// 7B 09 00 10, the identifier, 7B; the scrambled frame follows.
TBytes DataHeader(const std::string& id);
}  // namespace Gprs

class TUdpRoad {
public:
    // Opens a socket on a port of the system's choosing; `host` is a dotted IPv4 address or a
    // name. Raises std::runtime_error when the socket cannot be made or the host found.
    // `registerEverySec` 0: register once only.
    TUdpRoad(const std::string& host, int port, const std::string& deviceId, int registerEverySec,
             TSimController& controller);

    int LocalPort() const { return Socket_.Port(); }
    // Sends the registration now.
    void Register();
    // One pass: waits up to `timeoutMs` for a datagram (less when a reply or a registration
    // falls due), handles what came and sends what is due.
    void Poll(int timeoutMs);
    void Run(const std::atomic<bool>& stop);

    // What one datagram from the PC asks for (tests): the frames it carries are handed to the
    // controller, a probe is answered.
    void HandleDatagram(const TBytes& bytes, const std::string& from, int fromPort);

private:
    void SendDue();
    void Send(const TBytes& bytes);
    void SendTo(const std::string& address, int port, const TBytes& bytes);

    UdpSocket Socket_;
    std::string Host_;
    int Port_;
    std::string Id_;
    int RegisterEveryMs_;
    std::int64_t NextRegistration_ = 0;
    TSimController& Controller_;
};
