#pragma once
// The generation-6 cabinet and the variant this program creates for its current station.

#include "stations/StationBase.h"

class TStation6 : public TStation {
public:
    explicit TStation6(const TStationInfo& info);

    bool IsGeneration6() const override { return true; }
    bool IsWattMeterNumber(int n) const override { return n >= 1 && n <= 8; }
    TLoopTimes DescribeLoopTimes(int loop, const TRtu6TimeTable& table) const override;
    TLoopTimes DescribeLoopStatus(int loop, const TRtu6TimeStatusTable& table) const override;
};

// Sixteen loops, session 1 for controller 1, an empty lamp-mask set.
class TStation6Test : public TStation6 {
public:
    explicit TStation6Test(const TStationInfo& info = TStationInfo());
};
