#include "protocol/Frame.h"

#include "protocol/Catalogue.h"

namespace Frame {

namespace {

// Offsets inside a frame of the given address width.
struct Layout {
    explicit Layout(int extra) : Extra(static_cast<size_t>(extra)) {}
    size_t Extra;
    size_t Kind() const { return 3 + Extra; }
    size_t Length() const { return 4 + Extra; }
    size_t Item() const { return 5 + Extra; }
    size_t Stamp() const { return 6 + Extra; }
    size_t MinFrame() const { return 8 + Extra; }
    size_t MinPacket(bool timeStamp) const { return timeStamp ? 17 + Extra : 10 + Extra; }
    size_t Packet(bool timeStamp) const { return timeStamp ? 13 + Extra : 6 + Extra; }
    size_t Data(bool timeStamp) const { return Packet(timeStamp) + 2; }
};

}  // namespace

std::uint16_t ComputeCrc(const TBytes& frame) {
    return Crc16(frame);
}

void AppendCrc(TBytes& frame) {
    const std::uint16_t crc = ComputeCrc(frame);
    frame.push_back(static_cast<char>(crc >> 8));
    frame.push_back(static_cast<char>(crc & 0xFF));
}

bool CheckCrc(const TBytes& frame) {
    if (frame.size() < 2) return false;
    TBytes recomputed = frame.substr(0, frame.size() - 2);
    AppendCrc(recomputed);
    return recomputed == frame;
}

int ReplyItem(const TBytes& frame, int extra) {
    const Layout at(extra);
    if (frame.size() < at.MinFrame() || ByteAt(frame, 0) != kStart) return kNotAFrame;
    // Modulo 256: the L byte of a joined multi-packet frame has wrapped.
    if ((ByteAt(frame, at.Length()) + 5 + at.Extra) % 256 != frame.size() % 256) return kNotAFrame;
    const int item = ByteAt(frame, at.Item());
    return IsCatalogued(item) ? item : kNotAFrame;
}

int ReplyKind(const TBytes& frame, int extra) {
    if (ReplyItem(frame, extra) == kNotAFrame) return 0;
    return ByteAt(frame, Layout(extra).Kind());
}

int ReplySourceAddress(const TBytes& frame, int extra) {
    const int kind = ReplyKind(frame, extra);
    if (kind != kReadKind && kind != kWriteKind) return 0;
    const Layout at(extra);
    if (ByteAt(frame, 2 + at.Extra) != 0) return 0;
    int address = 0;
    for (size_t k = 1; k <= 1 + at.Extra; ++k) address = address * 256 + ByteAt(frame, k);
    return address;
}

bool ReplyMatchesRequest(const TBytes& request, const TBytes& reply, int extra) {
    const int item = ReplyItem(request, extra);
    if (item == kNotAFrame) return false;
    if (ReplyItem(reply, extra) != item || ReplyKind(reply, extra) != ReplyKind(request, extra))
        return false;
    if (item == Item::RtuAddress) return true;  // answered from the new address
    const size_t width = 1 + Layout(extra).Extra;
    return reply[1 + width] == request[1] && reply.compare(1, width, request, 2, width) == 0;
}

bool GetPacketNumbers(const TBytes& frame, int extra, bool timeStamp, int& n, int& i) {
    if (ReplyItem(frame, extra) == kNotAFrame) return false;
    const Layout at(extra);
    size_t offset;
    if (!timeStamp && frame.size() >= at.MinPacket(false)) {
        offset = at.Packet(false);
    } else if (frame.size() >= at.MinPacket(true)) {
        offset = at.Packet(true);
    } else {
        return false;
    }
    n = ByteAt(frame, offset);
    i = ByteAt(frame, offset + 1);
    return n >= i && i >= 1;
}

TDateTime ReplyTime(const TBytes& frame, int extra, bool timeStamp) {
    if (ReplyItem(frame, extra) == kNotAFrame) return 0;
    const Layout at(extra);
    if (!timeStamp) return frame.size() >= at.MinPacket(false) ? Now() : 0;
    if (frame.size() < at.MinPacket(true)) return 0;
    return DecodeBcdDateTime(frame.substr(at.Stamp(), kTimeStampSize));
}

TBytes PayloadOf(const TBytes& frame, int extra, bool timeStamp) {
    if (ReplyItem(frame, extra) == kNotAFrame) return {};
    const Layout at(extra);
    if (frame.size() < at.MinPacket(timeStamp)) return {};
    return frame.substr(at.Data(timeStamp), frame.size() - at.MinPacket(timeStamp));
}

TBytes MergePackets(const TBytes& previous, const TBytes& current, int extra, bool timeStamp) {
    const int item = ReplyItem(current, extra);
    if (item == kNotAFrame || ReplyItem(previous, extra) != item) return {};
    const Layout at(extra);
    // Both must reach their packet numbers; a shorter frame carries no packet to join.
    if (previous.size() < at.MinPacket(timeStamp) || current.size() < at.MinPacket(timeStamp))
        return {};
    TBytes body = current.substr(at.Item(), at.Data(timeStamp) - at.Item());
    body += PayloadOf(previous, extra, timeStamp);
    body += PayloadOf(current, extra, timeStamp);
    TBytes merged = current.substr(0, at.Length());
    merged.push_back(static_cast<char>((body.size() + 2) % 256));
    merged += body;
    AppendCrc(merged);
    return merged;
}

TBytes BcdTimeStamp(TDateTime t) {
    const TDateParts d = DecodeDate(t);
    const TTimeParts h = DecodeTime(t);
    TBytes stamp;
    for (int v : {d.Year / 100, d.Year % 100, d.Month, d.Day, h.Hour, h.Minute, h.Second})
        stamp.push_back(static_cast<char>(ToBcd(v)));
    return stamp;
}

TDateTime DecodeBcdDateTime(const TBytes& bytes) {
    if (!IsBcdText(bytes)) return 0;
    std::vector<int> v;
    for (unsigned char b : bytes) v.push_back(FromBcd(b));
    int year, month, day, hour, minute, second = 0;
    switch (v.size()) {
        case 7:
            year = v[0] * 100 + v[1];
            month = v[2], day = v[3], hour = v[4], minute = v[5], second = v[6];
            break;
        case 6:
            year = YearOf(Now()) / 100 * 100 + v[0];
            month = v[1], day = v[2], hour = v[3], minute = v[4], second = v[5];
            break;
        case 4:
            year = YearOf(Now());
            month = v[0], day = v[1], hour = v[2], minute = v[3];
            break;
        default:
            return 0;
    }
    const auto date = TryEncodeDate(year, month, day);
    const auto time = TryEncodeTime(hour, minute, second);
    if (!date || !time) return 0;
    return *date + *time;
}

TBytes BuildFrame(std::uint8_t kind, const TBytes& addressBytes, const TBytes& body) {
    TBytes frame;
    frame.push_back(static_cast<char>(kStart));
    frame.push_back(0);  // the PC
    frame += addressBytes;
    frame.push_back(static_cast<char>(kind));
    frame.push_back(static_cast<char>((body.size() + 2) % 256));
    frame += body;
    AppendCrc(frame);
    return frame;
}

TBytes Body(int item, const TBytes& timeStamp, const TBytes& data) {
    TBytes body(1, static_cast<char>(item));
    body += timeStamp;
    body += data;
    return body;
}

TBytes PacketBody(int item, const TBytes& timeStamp, int n, int i, const TBytes& data) {
    TBytes numbers;
    numbers.push_back(static_cast<char>(n));
    numbers.push_back(static_cast<char>(i));
    return Body(item, timeStamp, numbers + data);
}

}  // namespace Frame
