#include "protocol/CompositeItems.h"

#include "protocol/Catalogue.h"

namespace {

constexpr TItemPart kOptions[] = {
    {Item::PerformMode, 1},     {Item::WeekendsType, 1},     {Item::RtuClock, 8},
    {Item::Longitude, 2},       {Item::Latitude, 2},         {Item::RtuTimeZone, 2},
    {Item::StdOnCorrection, 1}, {Item::StdOffCorrection, 1}, {Item::SomeDaysStdOn, 5},
    {Item::HolidaysList, 0},
};

constexpr TItemPart kAdvancedOptions[] = {
    {Item::LoopsInUse, 2},        {Item::LoopsIsStreetLamp, 2}, {Item::KeepLcuStatusFlag, 1},
    {Item::AutoSaveInterval, 1},  {Item::WarningMode, 1},       {Item::LightMeterControl, 1},
    {Item::WarningParameters, 4}, {Item::RestartPowerFlag, 1},  {Item::CenterPhoneNumber, 11},
    {Item::CenterAddress, 1},     {Item::RouteAddressMap, 0},
};

}  // namespace

std::span<const TItemPart> OptionsParts() {
    return kOptions;
}
std::span<const TItemPart> AdvancedOptionsParts() {
    return kAdvancedOptions;
}
