#pragma once
// The simulated controller's answer to one request frame: a write changes the state and is
// acknowledged (kind 'P', the item, the packet numbers of the request); a read is answered
// from the state in as many packets as its data need. Frames here are plain (unscrambled);
// the roads scramble them.
//
// Frames that are not for this controller, that fail their CRC or that have the wrong time
// stamp form for the link are not answered; nor is a write whose data the item cannot take,
// nor a read of an item that holds nothing to read (the flag items).

#include <functional>
#include <optional>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "sim/SimState.h"

// One request as it arrived.
struct TSimRequest {
    int Address = 0;  // destination
    int Kind = 0;
    int Item = 0;
    int PacketCount = 1, PacketNumber = 1;  // write frames only
    TBytes Data;
};

class TItemHandler {
public:
    // `timeStamp`: the link carries time stamps (short message, GPRS). `onChange` runs after
    // every write that changed the state.
    TItemHandler(TSimState& state, bool timeStamp, std::function<void()> onChange = {});

    // The reply frames to one received frame; none when it is not answered.
    std::vector<TBytes> Handle(const TBytes& frame);

    // A request frame taken apart; nullopt when it is not a well-formed request for a link
    // with or without time stamp.
    static std::optional<TSimRequest> ParseRequest(const TBytes& frame, bool timeStamp);

    // The data a read of `item` answers with now; nullopt for an item without a value.
    std::optional<TBytes> ReadData(int item, const TBytes& request) const;
    // Applies a write of the whole data of `item` to `state`; false when the data do not fit
    // the item (the state is then left as it was).
    static bool ApplyWrite(TSimState& state, int item, const TBytes& data, TDateTime pcNow);

    const TSimState& State() const { return State_; }

private:
    std::vector<TBytes> HandleWrite(const TSimRequest& request);
    std::vector<TBytes> HandleRead(const TSimRequest& request);
    // Reply frames from the controller's address: one acknowledgement, or the data packets.
    TBytes ReplyFrame(int kind, int item, int n, int i, const TBytes& data) const;

    TSimState& State_;
    bool TimeStamp_;
    std::function<void()> OnChange_;
    // The packets of a multi-packet write collected so far.
    int PendingItem_ = -1;
    int PendingCount_ = 0;
    int PendingNext_ = 0;
    TBytes PendingData_;
};
