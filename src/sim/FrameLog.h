#pragma once
// One line on the error stream for each frame received and sent, for the trainer watching a
// session and for the logs of the end-to-end tests:
//
//   2025-03-05 10:00:00.123 RX 回路状态 FA 00 05 47 03 71 ...
//
// The frame is shown plain (unscrambled). Lines are written whole, under a lock.

#include <mutex>
#include <ostream>
#include <string>

#include "protocol/ByteUtils.h"

class TFrameLog {
public:
    explicit TFrameLog(std::ostream& out) : Out_(out) {}

    void Received(const TBytes& frame) { Frame("RX", frame); }
    void Sent(const TBytes& frame) { Frame("TX", frame); }
    // Anything else worth a line (registration, a probe, a fault at work).
    void Note(const std::string& text);

    // The line for one frame, without the line break.
    static std::string FrameLine(const std::string& direction, const TBytes& frame);

private:
    void Frame(const char* direction, const TBytes& frame);
    void Write(const std::string& line);

    std::ostream& Out_;
    std::mutex Lock_;
};
