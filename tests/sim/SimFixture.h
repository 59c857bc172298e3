#pragma once
// The PC side of the simulator tests: a station with its controller session at address 5 in
// a temporary program folder, the clock standing at a known moment, a store that keeps the
// posted write tasks, and the simulator's state and item handler behind it. Requests are
// built with the session's own builders and replies read with its reply entry.

#include <gtest/gtest.h>

#include <vector>

#include "app/Paths.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Class.h"
#include "sim/ItemHandler.h"
#include "sim/SimState.h"
#include "stations/Station6Class.h"
#include "support/RecordingStore.h"
#include "support/TempDir.h"

namespace sim_test {

// A Wednesday evening.
inline const TDateTime kNow = EncodeDateTime(2025, 3, 5, 21, 0, 0);
inline constexpr int kAddress = 5;

inline TStationInfo StationAt(int address, bool timeStamp) {
    TStationInfo info;
    info.RtuAddress = {address, 0};
    info.LinkKind = timeStamp ? kLinkSms : kLinkRadio;
    return info;
}

class PcSide {
public:
    explicit PcSide(bool timeStamp) : Station_(StationAt(kAddress, timeStamp)) {
        ClearCurrentData();
    }
    ~PcSide() { ClearCurrentData(); }

    TRtu6& Session() { return *Station_.Rtu(1); }
    TStation6Test& Station() { return Station_; }
    RecordingStore& Store() { return Store_; }

    // The frames of the write tasks posted since the last call.
    std::vector<TBytes> TakeWrites() {
        std::vector<TBytes> frames;
        for (const TPostedTask& task : Store_.Tasks) frames.push_back(task.FrameText);
        Store_.Tasks.clear();
        return frames;
    }

private:
    TempDir Folder_;
    TScopedProgramFolder Program_{Folder_.Path()};
    TScopedManualClock Clock_{kNow};
    RecordingStore Store_;
    TStation6Test Station_;
};

// The simulator behind the PC side, with or without time stamps (the test parameter).
class SimFixture : public testing::TestWithParam<bool> {
protected:
    SimFixture() : Pc_(GetParam()) {
        State_ = TSimState::Defaults(kNow - 2.5);
        State_.Address = kAddress;
    }

    bool Stamped() const { return GetParam(); }
    TRtu6& Session() { return Pc_.Session(); }

    // The simulator's reply frames to a read request of the session.
    std::vector<TBytes> ReplyTo(const TBytes& request) { return Handler_.Handle(request); }
    // A read request answered and every reply frame given to the session: true when there
    // were replies and the session accepted all of them.
    bool Read(int item, const TBytes& request = {}) {
        const std::vector<TBytes> replies = ReplyTo(Session().BuildReadFrame(item, request));
        bool accepted = !replies.empty();
        for (const TBytes& reply : replies) accepted = Session().ParseReply(reply) && accepted;
        return accepted;
    }
    // Every write frame the session posted answered; true when each was acknowledged and the
    // acknowledgement accepted.
    bool DeliverWrites() {
        const std::vector<TBytes> frames = Pc_.TakeWrites();
        bool accepted = !frames.empty();
        for (const TBytes& frame : frames) {
            const std::vector<TBytes> acks = ReplyTo(frame);
            accepted = acks.size() == 1 && Session().ParseReply(acks[0]) &&
                       TRtu6::ReplyMatchesRequest(frame, acks[0]) && accepted;
        }
        return accepted;
    }
    TDateTime ControllerNow() const { return State_.ControllerTime(Now()); }

    PcSide Pc_;
    TSimState State_;
    TItemHandler Handler_{State_, GetParam()};
};

inline std::string StampName(const testing::TestParamInfo<bool>& info) {
    return info.param ? "WithTimeStamp" : "WithoutTimeStamp";
}

}  // namespace sim_test
