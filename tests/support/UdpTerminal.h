#pragma once
// A GPRS terminal as the tests play it: a UDP socket on 127.0.0.1 with the envelopes the
// terminals wrap around controller frames, built here byte by byte so that the tests do not
// lean on the server's own code.

#include <poll.h>

#include <string>
#include <vector>

#include "platform/UdpSocket.h"
#include "protocol/ByteUtils.h"

namespace testing_udp {

inline constexpr const char* kLoopback = "127.0.0.1";

// 7B 01 00 16, the identifier, filler up to 22 bytes.
inline TBytes Registration(const std::string& id) {
    TBytes bytes = TBytes("\x7B\x01\x00\x16", 4) + id;
    if (bytes.size() < 22) bytes.append(22 - bytes.size(), '\x30');
    return bytes;
}

// 7B 09 00 10, the identifier, 7B, then the frame as it travels.
inline TBytes DataEnvelope(const std::string& id, const TBytes& wireFrame) {
    return TBytes("\x7B\x09\x00\x10", 4) + id + "\x7B" + wireFrame;
}

// 7B 81 00 10, the identifier, 7B.
inline TBytes RegistrationReply(const std::string& id) {
    return TBytes("\x7B\x81\x00\x10", 4) + id + "\x7B";
}

// A plain frame XORed from its fourth byte on with `key`.
inline TBytes XorFrom4th(TBytes frame, std::uint8_t key) {
    for (size_t k = 3; k < frame.size(); ++k) frame[k] = static_cast<char>(frame[k] ^ key);
    return frame;
}

// A controller's reply as it travels: keyed with its own address (byte 1) XOR C5.
inline TBytes OnTheWire(const TBytes& plainReply) {
    return XorFrom4th(plainReply, static_cast<std::uint8_t>(plainReply[1] ^ 0xC5));
}

class UdpTerminal {
public:
    UdpTerminal() { Socket.Open(0); }
    int Port() const { return Socket.Port(); }

    bool SendTo(int port, const TBytes& bytes) { return Socket.SendTo(kLoopback, port, bytes); }

    // The next datagram within `waitMs`; false when none came.
    bool Receive(TBytes& bytes, int waitMs = 5000) {
        pollfd fd{Socket.Fd(), POLLIN, 0};
        std::string address;
        int port = 0;
        if (Socket.ReceiveFrom(bytes, address, port)) return true;
        return ::poll(&fd, 1, waitMs) > 0 && Socket.ReceiveFrom(bytes, address, port);
    }

    // Everything received until `marker` arrives (the marker not included); stops at the
    // first silence of `waitMs`.
    std::vector<TBytes> ReceiveUntil(const TBytes& marker, int waitMs = 5000) {
        std::vector<TBytes> got;
        TBytes bytes;
        while (Receive(bytes, waitMs) && bytes != marker) got.push_back(bytes);
        return got;
    }

    UdpSocket Socket;
};

}  // namespace testing_udp
