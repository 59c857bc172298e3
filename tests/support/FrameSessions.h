#pragma once
// Sessions for exercising the frame rules of every address width with and without time stamp,
// without a station behind them (tests and fuzz targets).

#include "protocol/Rtu6Class.h"

// A one-byte address session whose link carries a time stamp (short message or GPRS).
class StampedRtu6 : public TRtu6 {
public:
    using TRtu6::TRtu6;
    bool HasTimeStamp() const override { return true; }
};

// Two-byte addresses without time stamp exist only to exercise the frame rules.
class UnstampedRtu61 : public TRtu61 {
public:
    using TRtu61::TRtu61;
    bool HasTimeStamp() const override { return false; }
};
