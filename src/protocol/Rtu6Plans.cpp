// The plan and holiday commands of the generation-6 session.

#include <algorithm>

#include "protocol/Catalogue.h"
#include "protocol/Rtu6Class.h"
#include "schedules/TimeTables.h"
#include "stations/StationBase.h"

namespace {

constexpr TDateTime kTenMinutes = 10 / kMinutesPerDay;

const TTheme kClearedTheme{};
const TCustomTheme kNoTemporary{};
const TTempTheme kNoTempOnOff{};

}  // namespace

bool TRtu6::BuildPlans(const TTheme& ordinary, const TTheme& weekend, const TTheme& holiday,
                       const TCustomTheme& temporary, const TTempTheme& tempOnOff,
                       TRtu6TimeTable& table) const {
    if (Station == nullptr) return false;
    return BuildTimeTable(*Station, ordinary, weekend, holiday, temporary, tempOnOff, table);
}

void TRtu6::SendFixedTimer(const TTheme& ordinary, const TTheme& weekend, const TTheme& holiday,
                           const TCustomTheme& temporary) {
    TRtu6TimeTable table;
    if (!BuildPlans(ordinary, weekend, holiday, temporary, kNoTempOnOff, table)) return;
    SendSetCommand(Item::FixedTimer, FixedTimerPayload(table), 0, 0);
}

void TRtu6::SendTempTimer(const TTempTheme& tempOnOff) {
    TRtu6TimeTable table;
    if (!BuildPlans(kClearedTheme, kClearedTheme, kClearedTheme, kNoTemporary, tempOnOff, table))
        return;
    SendSetCommand(Item::TempTimer, PlanItemPayload(table.TemporaryOnOff()), 0, 0);
}

void TRtu6::SendNormalTheme(const TTheme& theme) {
    SendNormalThemeAt(theme, 0, 0);
}

void TRtu6::SendNormalThemeAt(const TTheme& theme, TDateTime deadline, TDateTime created) {
    TRtu6TimeTable table;
    if (!BuildPlans(theme, kClearedTheme, kClearedTheme, kNoTemporary, kNoTempOnOff, table)) return;
    if (created == 0) created = Now();
    deadline = std::max(created + kTenMinutes, deadline);
    SendSetCommand(Item::NormalTheme, PlanItemPayload(table.OrdinaryPlan()), deadline, created);
}

void TRtu6::SendWeekendTheme(const TTheme& theme) {
    TRtu6TimeTable table;
    if (!BuildPlans(kClearedTheme, theme, kClearedTheme, kNoTemporary, kNoTempOnOff, table)) return;
    SendSetCommand(Item::WeekendTheme, PlanItemPayload(table.WeekendPlan()), 0, 0);
}

void TRtu6::SendHolidayTheme(const TTheme& theme) {
    TRtu6TimeTable table;
    if (!BuildPlans(kClearedTheme, kClearedTheme, theme, kNoTemporary, kNoTempOnOff, table)) return;
    SendSetCommand(Item::HolidayTheme, PlanItemPayload(table.HolidayPlan()), 0, 0);
}

void TRtu6::SendCustomTheme(const TCustomTheme& temporary) {
    TRtu6TimeTable table;
    if (!BuildPlans(kClearedTheme, kClearedTheme, kClearedTheme, temporary, kNoTempOnOff, table))
        return;
    SendSetCommand(Item::CustomTheme, PlanItemPayload(table.TemporaryPlan()), 0, 0);
}

void TRtu6::SendHolidaysList(const THolidaysList& holidays) {
    SendSetCommand(Item::HolidaysList, holidays.Encode(), 0, 0);
}

void TRtu6::SendSomeDaysStdOn(const TSomeDaysStdOn& adjustment) {
    SendSetCommand(Item::SomeDaysStdOn, adjustment.Encode(), 0, 0);
}

void TRtu6::SendFixedThemes(const TTheme& ordinary, const TTheme& weekend, const TTheme& holiday,
                            const TTheme& temporary, TDateTime startDate, int days) {
    SendFixedTimer(ordinary, weekend, holiday, TCustomTheme{startDate, days, temporary});
}

void TRtu6::SendTemporarySwitch(const TTempTheme& tempOnOff) {
    if (tempOnOff.OnUsed) {
        TTempTheme switchOn = tempOnOff;
        switchOn.OffUsed = false;
        switchOn.OffDateTime = 0;
        SendTempTimer(switchOn);
        return;
    }
    SendFixedTimer(kClearedTheme, kClearedTheme, kClearedTheme, TCustomTheme{0, 1, TTheme{}});
    SendTempTimer(kNoTempOnOff);
}

bool TRtu6::CanBuildTimeTable(const TTheme& ordinary, const TTheme& weekend, const TTheme& holiday,
                              const TCustomTheme& temporary, const TTempTheme& tempOnOff) const {
    TRtu6TimeTable scratch;
    return BuildPlans(ordinary, weekend, holiday, temporary, tempOnOff, scratch);
}
