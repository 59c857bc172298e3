#include "protocol/Rtu6Class.h"

#include "protocol/Catalogue.h"
#include "protocol/Frame.h"

namespace {
constexpr size_t kShortestStampedText = 14;  // texts up to this length keep their stamp
}

TRtu6::TRtu6(int address) : Address(address) {}

std::string TRtu6::ItemName(int item) { return CatalogueName(item); }
std::uint16_t TRtu6::ComputeCrc(const TBytes& frame) { return Frame::ComputeCrc(frame); }
void TRtu6::AppendCrc(TBytes& frame) { Frame::AppendCrc(frame); }
bool TRtu6::CheckCrc(const TBytes& frame) { return Frame::CheckCrc(frame); }
int TRtu6::ReplyItem(const TBytes& frame) { return Frame::ReplyItem(frame, 0); }
int TRtu6::ReplyKind(const TBytes& frame) { return Frame::ReplyKind(frame, 0); }
bool TRtu6::IsReadReply(const TBytes& frame) { return ReplyKind(frame) == Frame::kReadKind; }
int TRtu6::ReplySourceAddress(const TBytes& frame) { return Frame::ReplySourceAddress(frame, 0); }
bool TRtu6::ReplyMatchesRequest(const TBytes& request, const TBytes& reply) {
    return Frame::ReplyMatchesRequest(request, reply, 0);
}
TDateTime TRtu6::DecodeBcdDateTime(const TBytes& bytes) { return Frame::DecodeBcdDateTime(bytes); }

TBytes TRtu6::AddressBytes() const { return TBytes(1, static_cast<char>(Address & 0xFF)); }

bool TRtu6::HasTimeStamp() const { return LinkKind() != 0; }

TBytes TRtu6::TimeStampNow() const { return HasTimeStamp() ? Frame::BcdTimeStamp(Now()) : TBytes(); }

TBytes TRtu6::WithRoute(const TBytes& frame) const { return RoutePrefix() + frame; }

int TRtu6::BuildWriteFrames(int item, const TBytes& data, std::vector<TBytes>& list) const {
    list.clear();
    const TBytes stamp = TimeStampNow();  // one clock reading for the whole set
    const size_t size = static_cast<size_t>(Frame::PacketDataSize(HasTimeStamp()));
    const int n = data.empty() ? 1 : static_cast<int>((data.size() + size - 1) / size);
    for (int k = 1; k <= n; ++k) {
        const TBytes chunk = data.substr(std::min(data.size(), (k - 1) * size), size);
        const TBytes body = Frame::PacketBody(item, stamp, n, k, chunk);
        list.push_back(WithRoute(Frame::BuildFrame(Frame::kWriteKind, AddressBytes(), body)));
    }
    return n;
}

TBytes TRtu6::BuildWriteFrame(int item, const TBytes& data) const {
    const TBytes body = Frame::PacketBody(item, TimeStampNow(), 1, 1, data);
    return WithRoute(Frame::BuildFrame(Frame::kWriteKind, AddressBytes(), body));
}

TBytes TRtu6::BuildReadFrame(int item, const TBytes& data) const {
    const TBytes body = Frame::Body(item, TimeStampNow(), data);
    return WithRoute(Frame::BuildFrame(Frame::kReadKind, AddressBytes(), body));
}

bool TRtu6::GetPacketNumbers(const TBytes& frame, int& n, int& i) const {
    return Frame::GetPacketNumbers(frame, ExtraAddressBytes(), HasTimeStamp(), n, i);
}

bool TRtu6::IsLastPacket(const TBytes& frame) const {
    int n = 0, i = 0;
    return GetPacketNumbers(frame, n, i) && n == i;
}

TDateTime TRtu6::ReplyTime(const TBytes& frame) const {
    return Frame::ReplyTime(frame, ExtraAddressBytes(), HasTimeStamp());
}

TBytes TRtu6::PayloadOf(const TBytes& frame) const {
    return Frame::PayloadOf(frame, ExtraAddressBytes(), HasTimeStamp());
}

TBytes TRtu6::MergePackets(const TBytes& previous, const TBytes& current) const {
    return Frame::MergePackets(previous, current, ExtraAddressBytes(), HasTimeStamp());
}

TBytes TRtu6::RefreshTimeStamp(int item, const TBytes& frameText) const {
    if (frameText.size() <= kShortestStampedText) return frameText;
    if (item == Item::RtuClock) {
        // The clock write carries the clock itself, read at the moment of sending.
        return BuildWriteFrame(Item::RtuClock, Frame::BcdTimeStamp(Now()));
    }
    if (!HasTimeStamp()) return frameText;
    const int fields = RouteFieldCount();
    const TBytes frame = fields > 0 ? GetFieldsFrom(frameText, fields + 1, ':') : frameText;
    const size_t stampAt = 6 + static_cast<size_t>(ExtraAddressBytes());
    if (frame.size() < stampAt + Frame::kTimeStampSize + 2) return frameText;
    const TBytes prefix = frameText.substr(0, frameText.size() - frame.size());
    TBytes fresh = frame.substr(0, frame.size() - 2);
    fresh.replace(stampAt, Frame::kTimeStampSize, Frame::BcdTimeStamp(Now()));
    Frame::AppendCrc(fresh);
    return prefix + fresh;
}

TRtu61::TRtu61(int address) : TRtu6(address) { ProtocolKind = kProtocolRtu61; }

int TRtu61::ReplyItem(const TBytes& frame) { return Frame::ReplyItem(frame, 1); }
int TRtu61::ReplyKind(const TBytes& frame) { return Frame::ReplyKind(frame, 1); }
bool TRtu61::IsReadReply(const TBytes& frame) { return ReplyKind(frame) == Frame::kReadKind; }
int TRtu61::ReplySourceAddress(const TBytes& frame) { return Frame::ReplySourceAddress(frame, 1); }
bool TRtu61::ReplyMatchesRequest(const TBytes& request, const TBytes& reply) {
    return Frame::ReplyMatchesRequest(request, reply, 1);
}

TBytes TRtu61::AddressBytes() const {
    TBytes bytes;
    bytes.push_back(static_cast<char>((Address >> 8) & 0xFF));
    bytes.push_back(static_cast<char>(Address & 0xFF));
    return bytes;
}
