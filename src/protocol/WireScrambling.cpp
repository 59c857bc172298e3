#include "protocol/WireScrambling.h"

#include "protocol/Frame.h"
#include "protocol/Rtu6Class.h"

namespace {

constexpr size_t kShortest = 4;

std::uint8_t KeyAt(const TBytes& bytes, size_t offset) {
    return static_cast<std::uint8_t>(ByteAt(bytes, offset) ^ Frame::kScrambleBase);
}

bool IsTwoByteAddressKind(int protocolKind) {
    return protocolKind == 3 || protocolKind == kProtocolRtu61 || protocolKind == 11;
}

}  // namespace

TBytes ScrambleForSend(const TBytes& frame, int protocolKind) {
    if (frame.size() <= kShortest) return frame;
    if (protocolKind == kProtocolRtu6) return ScrambleFrom4th(frame, KeyAt(frame, 2));
    if (IsTwoByteAddressKind(protocolKind)) return ScrambleFrom5th(frame, KeyAt(frame, 3));
    return frame;
}

TBytes UnscrambleReceived(const TBytes& bytes) {
    if (bytes.size() <= kShortest) return bytes;
    TBytes plain = ScrambleFrom4th(bytes, KeyAt(bytes, 1));
    if (TRtu6::ReplyItem(plain) != Frame::kNotAFrame) return plain;
    plain = ScrambleFrom5th(bytes, KeyAt(bytes, 2));
    if (TRtu61::ReplyItem(plain) != Frame::kNotAFrame) return plain;
    return bytes;
}
