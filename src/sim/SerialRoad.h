#pragma once
// The serial road: the simulated controller on a cable or data radio line, reached through
// a pseudo-terminal (the PC opens its slave end) or through an existing serial device.

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "protocol/ByteUtils.h"
#include "sim/SimController.h"

// Cuts the bytes of a line into request frames: a frame starts at 0xFA, its length byte is
// read with the key of its destination address, and it counts only when its CRC holds once
// unscrambled. Bytes that do not start such a frame are skipped.
class TRequestAssembler {
public:
    // Takes received bytes; returns the plain frames completed by them.
    std::vector<TBytes> Add(const TBytes& bytes);
    // Bytes still waiting to complete a frame.
    size_t Waiting() const { return Buffer_.size(); }

private:
    // The frame at the start of the buffer: a plain frame, or nullopt with `skip` set to the
    // bytes to drop (0 when more bytes are needed).
    std::optional<TBytes> FrameAtStart(size_t& skip) const;

    TBytes Buffer_;
};

class TSerialRoad {
public:
    // `fd` is the controller's end of the line, open and non-blocking; not owned.
    TSerialRoad(int fd, TSimController& controller);

    // One pass: waits up to `timeoutMs` for bytes (less when a reply falls due), answers
    // the frames they complete and sends the replies that are due. False when the line
    // failed.
    bool Poll(int timeoutMs);
    // Passes until `stop` is set or the line fails.
    void Run(const std::atomic<bool>& stop);

private:
    void SendDue();
    bool WriteAll(const TBytes& bytes);

    int Fd_;
    TSimController& Controller_;
    TRequestAssembler Assembler_;
};

// A pseudo-terminal whose slave end is the PC's serial port. The slave is kept open here as
// well, so that the PC may close and open it again without the line hanging up.
class TPtyLine {
public:
    TPtyLine();  // raises std::runtime_error when no pseudo-terminal can be had
    ~TPtyLine();
    TPtyLine(const TPtyLine&) = delete;
    TPtyLine& operator=(const TPtyLine&) = delete;

    int MasterFd() const { return Master_; }
    const std::string& SlavePath() const { return SlavePath_; }

private:
    int Master_ = -1;
    int Slave_ = -1;
    std::string SlavePath_;
};
