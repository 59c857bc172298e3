#pragma once
// A filled-in advanced options record (item 119) whose encoding the tests know byte for byte:
// 00 FF 01 03 01 03 01 A5 31 D2 6E E5 12 "13912345678" FE 02 07 09.

#include <gtest/gtest.h>

#include "protocol/Rtu6Parameters.h"
#include "support/ControllerFrames.h"

inline TRtu6AdvancedOptions SampleAdvancedOptions() {
    using testing_frames::Hex;
    TRtu6AdvancedOptions a;
    a.LoopsInUse = 0x00FF;
    a.LcuLoops = 0x0103;
    a.KeepLcuStatusFlag = 1;
    a.AutoSaveInterval = 3;
    a.WarningMode = 1;
    a.LightControl = 0xA5;
    EXPECT_TRUE(a.WarningParameters.LoadFromBytes(Hex("31 D2 6E E5")));
    EXPECT_TRUE(a.RestartPowerFlag.LoadFromBytes(Hex("12")));
    a.CenterPhoneNumber = "13912345678";
    a.CenterAddress = 0xFE;
    a.RouteAddressMap = Hex("07 09");
    return a;
}
