#pragma once
// The data item catalogue: every frame carries one item, named by one byte. An ID without a
// name is not an item, and a received frame that carries one is rejected.

#include <string>
#include <vector>

inline constexpr const char* kUnknownItemName = "未知";

// Item IDs the program refers to by name.
namespace Item {
inline constexpr int AllPlans = 49;
inline constexpr int FixedTimer = 50;
inline constexpr int TempTimer = 51;
inline constexpr int NormalTheme = 52;
inline constexpr int WeekendTheme = 53;
inline constexpr int HolidayTheme = 54;
inline constexpr int CustomTheme = 55;
inline constexpr int StdOnCorrection = 56;
inline constexpr int StdOffCorrection = 57;
inline constexpr int RtuTime = 58;
inline constexpr int WorkTable = 59;
inline constexpr int PerformMode = 65;
inline constexpr int WeekendsType = 66;
inline constexpr int HolidaysList = 67;
inline constexpr int FixedLampsModes = 68;
inline constexpr int CustomLampsModes = 69;
inline constexpr int CurrentThemeName = 70;
inline constexpr int LcuStatus = 71;
inline constexpr int LcuPhaseTable = 72;
inline constexpr int GuardAddressTable = 73;
inline constexpr int OkLampAddressTable = 80;
inline constexpr int SomeDaysStdOn = 81;
inline constexpr int RtuClock = 82;
inline constexpr int LcuFaultTable = 83;
inline constexpr int LightMeterControl = 97;
inline constexpr int CenterPhoneNumber = 98;
inline constexpr int TimerReport = 112;
inline constexpr int LoopStatus = 113;
inline constexpr int Alarms = 114;
inline constexpr int Energy = 115;
inline constexpr int History = 116;
inline constexpr int GuardStatus = 117;
inline constexpr int Options = 118;
inline constexpr int AdvancedOptions = 119;
inline constexpr int VersionInfo = 144;
inline constexpr int LastStartTime = 152;
inline constexpr int ResetFlag = 153;
inline constexpr int RtuAddress = 160;
inline constexpr int CenterAddress = 161;
inline constexpr int RouteAddressMap = 162;
inline constexpr int RtuCommDevice = 163;
inline constexpr int WarningMode = 164;
inline constexpr int WarningType = 165;
inline constexpr int LoopsInUse = 166;
inline constexpr int LoopsIsStreetLamp = 167;
inline constexpr int Longitude = 168;
inline constexpr int Latitude = 169;
inline constexpr int WattMeterCommand = 170;
inline constexpr int KeepLcuStatusFlag = 171;
inline constexpr int PoleCountInUse = 172;
inline constexpr int MaskBitsForAPole = 173;
inline constexpr int LampsMaskLength = 174;
inline constexpr int GaoDuJiaoOn = 175;
inline constexpr int GaoDuJiaoOff = 176;
inline constexpr int WattMetersInUse = 177;
inline constexpr int ClearFlag = 178;
inline constexpr int RtuTimeZone = 180;
inline constexpr int StopFlag = 181;
inline constexpr int AutoSaveInterval = 182;
inline constexpr int WarningParameters = 183;
inline constexpr int RestartPowerFlag = 184;
inline constexpr int RestartPowerData = 185;
inline constexpr int CurrentInUse = 186;
inline constexpr int ICurrentP = 187;
}  // namespace Item

struct TCatalogueEntry {
    int Id;
    const char* Name;
};

// The catalogue in ID order: the single source of item names.
const std::vector<TCatalogueEntry>& CatalogueEntries();

// The item's name, or kUnknownItemName for an ID that is not an item.
std::string CatalogueName(int item);
bool IsCatalogued(int item);
