#include "sim/FaultInjector.h"

#include "protocol/Frame.h"

namespace {

// Bytes a noisy line might put in front of a frame; none of them starts a frame.
const TBytes kStray("\x00\x55\xAA", 3);

// FA addr 00 kind L item [stamp] n i ... CRC
size_t PacketNumberOffset(bool timeStamp) {
    return timeStamp ? 14 : 7;
}

}  // namespace

TFaultInjector::TFaultInjector(const TFaultOptions& options, bool timeStamp)
    : Options_(options), TimeStamp_(timeStamp), Random_(options.Seed) {}

bool TFaultInjector::Chance(double p) {
    if (p <= 0) return false;
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    return uniform(Random_) < p;
}

TBytes TFaultInjector::CorruptCrc(const TBytes& frame, bool timeStamp) {
    TBytes bad = frame;
    const size_t at = PacketNumberOffset(timeStamp);
    if (at + 2 < bad.size()) bad[at] = 0;
    const std::uint16_t good = Frame::ComputeCrc(frame.substr(0, frame.size() - 2));
    const std::uint16_t wrong = static_cast<std::uint16_t>(~good);
    bad[bad.size() - 2] = static_cast<char>(wrong >> 8);
    bad[bad.size() - 1] = static_cast<char>(wrong & 0xFF);
    return bad;
}

TBytes TFaultInjector::FromAddress(const TBytes& frame, int address) {
    TBytes moved = frame.substr(0, frame.size() - 2);
    moved[1] = static_cast<char>(address);
    Frame::AppendCrc(moved);
    return moved;
}

std::vector<TBytes> TFaultInjector::ApplyFrameFaults(const std::vector<TBytes>& frames) {
    std::vector<TBytes> out;
    for (const TBytes& frame : frames) {
        if (frame.size() < 8 || Chance(Options_.Drop)) continue;
        TBytes f = Options_.WrongAddress > 0 ? FromAddress(frame, Options_.WrongAddress) : frame;
        if (Chance(Options_.BadCrc)) f = CorruptCrc(f, TimeStamp_);
        out.push_back(std::move(f));
    }
    return out;
}

TBytes TFaultInjector::StrayBytes() const {
    return Options_.Stray ? kStray : TBytes();
}

std::vector<TBytes> TFaultInjector::Transfers(const std::vector<TBytes>& units) const {
    std::vector<TBytes> joined;
    if (Options_.Double && units.size() == 1) {
        joined.push_back(units[0] + units[0]);
    } else if (Options_.Double) {
        for (size_t k = 0; k < units.size(); k += 2)
            joined.push_back(k + 1 < units.size() ? units[k] + units[k + 1] : units[k]);
    } else {
        joined = units;
    }
    if (!Options_.Split) return joined;
    std::vector<TBytes> parts;
    for (const TBytes& unit : joined) {
        const size_t half = unit.size() / 2;
        parts.push_back(unit.substr(0, half));
        parts.push_back(unit.substr(half));
    }
    return parts;
}
