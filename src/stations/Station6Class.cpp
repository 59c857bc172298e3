#include "stations/Station6Class.h"

#include <memory>

namespace {
constexpr int kGeneration6Loops = 8;
}

TStation6::TStation6(const TStationInfo& info) : TStation(info) {
    SetLoopCount(kGeneration6Loops);
}

TStation6Test::TStation6Test(const TStationInfo& info) : TStation6(info) {
    SetLoopCount(kMaxLoops);
    for (int i = 1; i <= kMaxLoops; ++i) Loops().Set(i, std::make_unique<TLoop>());
    CreateRtu(1);
    LampsMask().Clear();
}
