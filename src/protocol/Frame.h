#pragma once
// The controller frame, for both address widths. `extra` is the number of address bytes
// beyond the first: 0 for one-byte controller addresses, 1 for two-byte BCD addresses.
// The session classes (Rtu6Class.h) expose these with their own width and time-stamp rule.
//
//   FA | source, destination (2 + extra) | kind | L | item | [time stamp 7] | [n i] | data | CRC
//
// Nothing here raises: bytes that are not a frame give 254 / 0 / false / empty.

#include <cstdint>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

namespace Frame {

inline constexpr std::uint8_t kStart = 0xFA;
inline constexpr std::uint8_t kWriteKind = 0x50;  // 'P': write and its acknowledgement
inline constexpr std::uint8_t kReadKind = 0x47;   // 'G': read request and data reply
inline constexpr int kNotAFrame = 254;
inline constexpr int kMaxPackets = 16;
inline constexpr int kTimeStampSize = 7;
inline constexpr std::uint8_t kScrambleBase = 0xC5;

// Data bytes per packet.
inline int PacketDataSize(bool timeStamp) {
    return timeStamp ? 123 : 130;
}

std::uint16_t ComputeCrc(const TBytes& frame);
void AppendCrc(TBytes& frame);
bool CheckCrc(const TBytes& frame);

int ReplyItem(const TBytes& frame, int extra);
int ReplyKind(const TBytes& frame, int extra);
int ReplySourceAddress(const TBytes& frame, int extra);
bool ReplyMatchesRequest(const TBytes& request, const TBytes& reply, int extra);

bool GetPacketNumbers(const TBytes& frame, int extra, bool timeStamp, int& n, int& i);
TDateTime ReplyTime(const TBytes& frame, int extra, bool timeStamp);
TBytes PayloadOf(const TBytes& frame, int extra, bool timeStamp);
TBytes MergePackets(const TBytes& previous, const TBytes& current, int extra, bool timeStamp);

// Seven BCD bytes of t: century, year, month, day, hour, minute, second.
TBytes BcdTimeStamp(TDateTime t);
// 7, 6 or 4 BCD bytes back to a date-time (see the session); 0 when not a valid one.
TDateTime DecodeBcdDateTime(const TBytes& bytes);

// Frames without route prefix. `addressBytes` is the controller address as sent.
TBytes BuildFrame(std::uint8_t kind, const TBytes& addressBytes, const TBytes& body);
TBytes Body(int item, const TBytes& timeStamp, const TBytes& data);
TBytes PacketBody(int item, const TBytes& timeStamp, int n, int i, const TBytes& data);

}  // namespace Frame
