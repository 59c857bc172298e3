#pragma once
// Faults the simulated controller can be told to make, so that the PC's handling of a poor
// line can be tried out. Frame faults work on the plain reply frames before they are
// scrambled; transfer faults shape the bytes the road sends.
//
//   drop          each reply frame is lost with this probability
//   delay         every reply goes out this many milliseconds late
//   bad CRC       with this probability a reply frame has its CRC inverted and its packet
//                 number set to 0; the PC checks no CRC on replies, but it refuses a data
//                 reply without a valid packet number (an acknowledgement it takes anyway)
//   wrong address every reply comes from this controller address (CRC and key to match), as
//                 if another controller had answered
//   split         every frame goes out in two parts: two writes on a serial line, two
//                 datagrams over GPRS (the second without an envelope)
//   double        frames go out two in one transfer; a single frame is sent twice
//   stray         three stray bytes go out before each frame (over GPRS: between the
//                 envelope and the frame)

#include <cstdint>
#include <random>
#include <vector>

#include "protocol/ByteUtils.h"

struct TFaultOptions {
    double Drop = 0;       // 0..1
    int DelayMs = 0;       // >= 0
    double BadCrc = 0;     // 0..1
    int WrongAddress = 0;  // 1..254; 0: off
    bool Split = false;
    bool Double = false;
    bool Stray = false;
    std::uint64_t Seed = 1;
};

class TFaultInjector {
public:
    // `timeStamp`: the reply frames carry time stamps (where their packet numbers lie).
    TFaultInjector(const TFaultOptions& options, bool timeStamp);

    const TFaultOptions& Options() const { return Options_; }
    // The reply frames after the frame faults (drop, bad CRC, wrong address).
    std::vector<TBytes> ApplyFrameFaults(const std::vector<TBytes>& frames);
    // Bytes to put in front of a frame on the wire: empty unless stray bytes are on.
    TBytes StrayBytes() const;
    // Wire units (scrambled frames, or whole GPRS datagrams) grouped into transfers: joined
    // two by two with double, each cut in two with split.
    std::vector<TBytes> Transfers(const std::vector<TBytes>& units) const;

    // The frame faults one by one (tests).
    static TBytes CorruptCrc(const TBytes& frame, bool timeStamp);
    static TBytes FromAddress(const TBytes& frame, int address);

private:
    bool Chance(double p);

    TFaultOptions Options_;
    bool TimeStamp_;
    std::mt19937_64 Random_;
};
