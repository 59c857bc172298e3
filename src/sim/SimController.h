#pragma once
// The simulated controller as the roads see it: a received plain frame goes in, and the
// reply frames come out when their time has come (after the frame faults and the delay).
// The roads scramble, wrap and send them. Time here is a steady millisecond count that the
// caller supplies, so that delays can be tried without waiting.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "protocol/ByteUtils.h"
#include "sim/FaultInjector.h"
#include "sim/FrameLog.h"
#include "sim/ItemHandler.h"

class TSimController {
public:
    using TSteadyMs = std::function<std::int64_t()>;

    TSimController(TItemHandler& handler, TFaultInjector& faults, TFrameLog& log,
                   TSteadyMs steadyMs);

    // A whole plain frame from the PC.
    void Receive(const TBytes& frame);
    // The replies due now, in the order they were made (each reply a list of frames).
    std::vector<std::vector<TBytes>> TakeDue();
    // Milliseconds until the next reply is due (0: one is due), or `idle` when none waits.
    int MsUntilNext(int idle) const;
    // The current address (a write of the address moves the controller).
    int Address() const { return Handler_.State().Address; }
    TFaultInjector& Faults() { return Faults_; }
    TFrameLog& Log() { return Log_; }

    // Monotonic milliseconds of the system's steady clock.
    static std::int64_t SystemSteadyMs();

private:
    struct TPending {
        std::int64_t DueMs;
        std::vector<TBytes> Frames;
    };

    TItemHandler& Handler_;
    TFaultInjector& Faults_;
    TFrameLog& Log_;
    TSteadyMs SteadyMs_;
    std::deque<TPending> Pending_;
};
