#include "cli/RecordJson.h"

#include <vector>

#include "app/SystemInit.h"
#include "platform/Encoding.h"
#include "protocol/Catalogue.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Parameters.h"
#include "schedules/ActionTables.h"
#include "schedules/TimeTables.h"
#include "schedules/WorkTable.h"
#include "stations/Station6Class.h"
#include "status/Rtu6Status.h"

namespace {

std::string Hex(const TBytes& bytes) {
    return BytesToHexText(bytes);
}

std::string TimeText(TDateTime t) {
    return t == 0 ? "" : DateTimeToText(t);
}

std::vector<std::string> HolidayLines(const THolidaysList& holidays) {
    std::vector<std::string> lines;
    holidays.ToStrings(lines);
    return lines;
}

TJson ListJson(const TRtu6ActionTable& list) {
    TJson json;
    json["count"] = list.Count();
    json["payload"] = Hex(PlanItemPayload(list));
    if (list.DateBytes() > 0)
        json["startDate"] = list.StartDate == 0 ? "" : DateToText(list.StartDate);
    if (list.DateBytes() == 8) json["days"] = list.Days;
    return json;
}

// The plan lists each plan item carries, by their index in the time table.
std::vector<int> ListsOfItem(int item) {
    switch (item) {
        case Item::AllPlans:
            return {0, 1, 2, 3, 4};
        case Item::FixedTimer:
            return {0, 1, 2, 3};
        case Item::TempTimer:
            return {4};
        case Item::NormalTheme:
            return {0};
        case Item::WeekendTheme:
            return {1};
        case Item::HolidayTheme:
            return {2};
        case Item::CustomTheme:
            return {3};
        default:
            return {};
    }
}

const char* const kListNames[] = {"ordinary", "weekend", "holiday", "temporary", "tempOnOff"};

void PlanStatusFields(const TRtu6ThemesCRC& plans, int item, TJson& json) {
    switch (item) {
        case Item::StdOnCorrection:
            json["stdOnCorrection"] = plans.StdOnCorrection;
            break;
        case Item::StdOffCorrection:
            json["stdOffCorrection"] = plans.StdOffCorrection;
            break;
        case Item::PerformMode:
            json["performMode"] = plans.PerformMode;
            break;
        case Item::CurrentThemeName:
            json["currentThemeId"] = plans.CurrentThemeId;
            break;
        case Item::WeekendsType: {
            std::vector<int> days;
            for (int day = 1; day <= 7; ++day)
                if (plans.IsWeekendDay(day)) days.push_back(day);
            json["weekendDays"] = days;
            break;
        }
        case Item::RtuClock:
            json["rtuClock"] = TimeText(plans.RtuClock);
            json["rtuWeek"] = plans.RtuWeek;
            break;
        default:
            break;
    }
}

TJson CheckCodesJson(const TRtu6ThemesCRC& plans) {
    TJson checks = TJson::array();
    for (int i = 0; i < 5; ++i)
        checks.push_back({{"plan", kListNames[i]},
                          {"length", plans.Plans[i].Length},
                          {"code", plans.Plans[i].Code}});
    return checks;
}

TJson WarningJson(const TRtu6WarningParameters& warning) {
    return {{"bytes", Hex(warning.Encode())},     {"alarmKinds", warning.AlarmSet()},
            {"logAlarms", warning.LogAlarms()},   {"overVoltage", warning.OverVoltage()},
            {"lowVoltage", warning.LowVoltage()}, {"reportPeriod", warning.ReportPeriod()},
            {"reportTime", warning.ReportTime()}};
}

TJson RestartJson(const TRtu6RestartPowerFlag& restart) {
    return {{"bytes", Hex(restart.Encode())},
            {"restartMode", restart.RestartMode()},
            {"restartLoop", restart.RestartLoop()}};
}

// The parts of item 119 in wire order.
const int kAdvancedParts[] = {
    Item::LoopsInUse,        Item::LoopsIsStreetLamp, Item::KeepLcuStatusFlag,
    Item::AutoSaveInterval,  Item::WarningMode,       Item::LightMeterControl,
    Item::WarningParameters, Item::RestartPowerFlag,  Item::CenterPhoneNumber,
    Item::CenterAddress,     Item::RouteAddressMap};

// The parts of item 118 kept in the plan status and in the parameter record.
const int kOptionsPlanParts[] = {Item::PerformMode, Item::WeekendsType, Item::RtuClock,
                                 Item::StdOnCorrection, Item::StdOffCorrection};
const int kOptionsParameterParts[] = {Item::Longitude, Item::Latitude, Item::RtuTimeZone,
                                      Item::SomeDaysStdOn, Item::HolidaysList};

void ParameterFields(const TRtu6Parameters& p, int item, TJson& json) {
    switch (item) {
        case Item::HolidaysList:
            json["holidays"] = HolidayLines(p.Holidays);
            break;
        case Item::SomeDaysStdOn:
            json["someDaysStdOn"] = Hex(p.SomeDaysStdOn.Encode());
            json["adjustKind"] = p.SomeDaysStdOn.AdjustKind();
            break;
        case Item::LcuStatus:
            json["lcuStatus"] = Hex(p.LcuStatus.Encode());
            break;
        case Item::LcuPhaseTable:
            json["lcuPhaseTable"] = Hex(p.LcuPhaseTable.Encode());
            break;
        case Item::GuardAddressTable:
            json["guardAddressTable"] = Hex(p.GuardAddressTable.Encode());
            json["text"] = p.GuardAddressTable.AsText();
            break;
        case Item::OkLampAddressTable:
            json["okLampAddressTable"] = Hex(p.OkLampAddressTable.Encode());
            json["text"] = p.OkLampAddressTable.AsText();
            break;
        case Item::LcuFaultTable:
            json["text"] = p.TimeOutLampAddressTable.AsText();
            break;
        case Item::GuardStatus:
            json["guardMessages"] = Hex(p.GuardMessages.Encode());
            json["text"] = p.GuardMessages.AsText();
            break;
        case Item::LightMeterControl:
            json["lightControl"] = p.LightControl;
            break;
        case Item::CenterPhoneNumber:
            json["centerPhoneNumber"] = p.CenterPhoneNumber;
            break;
        case Item::VersionInfo:
            json["versionInfo"] = GbkToUtf8(p.VersionInfo);
            break;
        case Item::LastStartTime:
            json["lastStartTime"] = TimeText(p.LastStartTime);
            break;
        case Item::RtuAddress:
            json["rtuAddress"] = p.RtuAddress;
            break;
        case Item::CenterAddress:
            json["centerAddress"] = p.CenterAddress;
            break;
        case Item::RouteAddressMap:
            json["routeAddressMap"] = Hex(p.RouteAddressMap);
            break;
        case Item::RtuCommDevice:
            json["commFormat"] = p.CommFormat;
            break;
        case Item::WarningMode:
            json["warningMode"] = p.WarningMode;
            break;
        case Item::WarningType:
            json["warningType"] = p.WarningType;
            break;
        case Item::LoopsInUse:
            json["loopsInUse"] = p.LoopsInUse;
            break;
        case Item::LoopsIsStreetLamp:
            json["lcuLoops"] = p.LcuLoops;
            break;
        case Item::CurrentInUse:
            json["currentInUse"] = p.CurrentInUse;
            break;
        case Item::Longitude:
            json["longitude"] = p.Longitude;
            break;
        case Item::Latitude:
            json["latitude"] = p.Latitude;
            break;
        case Item::RtuTimeZone:
            json["timeZone"] = p.TimeZone;
            break;
        case Item::WattMeterCommand:
            json["wattMeterCommand"] = Hex(p.WattMeterCommand);
            break;
        case Item::KeepLcuStatusFlag:
            json["keepLcuStatusFlag"] = p.KeepLcuStatusFlag;
            break;
        case Item::PoleCountInUse:
            json["poleCountInUse"] = p.PoleCountInUse;
            break;
        case Item::MaskBitsForAPole:
            json["maskBitsForAPole"] = p.MaskBitsForAPole;
            break;
        case Item::LampsMaskLength:
            json["lampsMaskLength"] = p.LampsMaskLength;
            break;
        case Item::GaoDuJiaoOn:
            json["onHourAngle"] = p.OnHourAngle;
            break;
        case Item::GaoDuJiaoOff:
            json["offHourAngle"] = p.OffHourAngle;
            break;
        case Item::WattMetersInUse:
            json["wattMetersInUse"] = p.WattMetersInUse;
            break;
        case Item::AutoSaveInterval:
            json["autoSaveInterval"] = p.AutoSaveInterval;
            break;
        case Item::WarningParameters:
            json["warningParameters"] = WarningJson(p.WarningParameters);
            break;
        case Item::RestartPowerFlag:
            json["restartPowerFlag"] = RestartJson(p.RestartPowerFlag);
            break;
        case Item::AdvancedOptions:
            for (int part : kAdvancedParts) ParameterFields(p, part, json);
            break;
        default:
            break;
    }
}

TJson CurrentsJson(const TRtu6Status& status) {
    TJson currents = TJson::array();
    for (int k = 1; k <= TRtu6Status::kMaxCurrents; ++k) currents.push_back(status.Current(k));
    return currents;
}

TJson AlarmsJson(const TRtu6Status& status) {
    TJson alarms = TJson::array();
    for (int k = 1; k <= status.AlarmCount(); ++k) {
        const auto alarm = status.Alarm(k);
        if (!alarm) continue;
        std::vector<int> kinds;
        for (int kind = 1; kind <= 8; ++kind)
            if (alarm->Kinds & (1u << (kind - 1))) kinds.push_back(kind);
        alarms.push_back({{"time", TimeText(alarm->Time)}, {"kinds", kinds}});
    }
    return alarms;
}

TJson EnergyJson(const TRtu6Status& status) {
    TJson meters = TJson::array();
    for (int k = 1; k <= status.MeterCount(); ++k) meters.push_back(status.Energy(k));
    return meters;
}

const char* OutcomeText(TTaskResult::TOutcome outcome) {
    switch (outcome) {
        case TTaskResult::TOutcome::Accepted:
            return "accepted";
        case TTaskResult::TOutcome::Refused:
            return "refused";
        case TTaskResult::TOutcome::NoReply:
            return "no reply";
        case TTaskResult::TOutcome::NotSent:
            return "not sent";
    }
    return "";
}

}  // namespace

TJson StatusJson(const TRtu6Status& status, int item) {
    TJson json;
    switch (item) {
        case Item::TimerReport:
        case Item::LoopStatus:
            json["inputState"] = status.InputState();
            json["outputState"] = status.OutputState();
            json["doorOpen"] = status.DoorOpen();
            json["lightLevel"] = status.LightLevel();
            json["voltages"] = {status.VoltageA(), status.VoltageB(), status.VoltageC()};
            json["currents"] = CurrentsJson(status);
            json["statusText"] = status.StatusText();
            break;
        case Item::Alarms:
            json["alarms"] = AlarmsJson(status);
            json["alarmText"] = status.AlarmText();
            break;
        case Item::Energy:
            json["energy"] = EnergyJson(status);
            json["energyText"] = status.EnergyText();
            break;
        case Item::History:
            json["count"] = status.History.Count();
            json["historyText"] = status.History.AsText();
            break;
        default:
            break;
    }
    return json;
}

TJson TimeTableJson(const TRtu6TimeTable& table, int item) {
    TJson json;
    for (int list : ListsOfItem(item)) json[kListNames[list]] = ListJson(table.List(list));
    return json;
}

TJson PlanStatusJson(const TRtu6ThemesCRC& plans, int item) {
    TJson json;
    if (item != Item::RtuTime) {
        PlanStatusFields(plans, item, json);
        return json;
    }
    for (int part : {Item::RtuClock, Item::CurrentThemeName, Item::PerformMode, Item::WeekendsType,
                     Item::StdOnCorrection, Item::StdOffCorrection})
        PlanStatusFields(plans, part, json);
    json["checkCodes"] = CheckCodesJson(plans);
    json["checkText"] = plans.AsText();
    return json;
}

TJson WorkTableJson(const TRtu6TimeStatusTable& work) {
    TJson points = TJson::array();
    for (int i = 1; i <= work.Count(); ++i) {
        const TRtu6TimeStatus* point = work.Get(i);
        if (!point) continue;
        points.push_back({{"time", FormatDateTime("hh:nn", point->TimeOfDay())},
                          {"loops", point->GetLoops()},
                          {"lamp", point->LampByte()}});
    }
    return {{"count", work.Count()}, {"points", points}, {"text", work.AsText()}};
}

TJson ParametersJson(const TRtu6Parameters& parameters, int item) {
    TJson json = TJson::object();
    ParameterFields(parameters, item, json);
    return json;
}

TJson OptionsJson(const TRtu6ThemesCRC& plans, const TRtu6Parameters& parameters) {
    TJson json;
    for (int part : kOptionsPlanParts) PlanStatusFields(plans, part, json);
    for (int part : kOptionsParameterParts) ParameterFields(parameters, part, json);
    return json;
}

TJson LampMasksJson(const TLampsMask& masks, int item) {
    return {{"masks", Hex(item == Item::FixedLampsModes ? masks.StandardMasksData()
                                                        : masks.CustomMasksData())}};
}

TJson CurrentRecordJson(int item) {
    switch (item) {
        case Item::TimerReport:
        case Item::LoopStatus:
        case Item::Alarms:
        case Item::Energy:
        case Item::History:
            return StatusJson(CurrentStatus(), item);
        case Item::AllPlans:
        case Item::FixedTimer:
        case Item::TempTimer:
        case Item::NormalTheme:
        case Item::WeekendTheme:
        case Item::HolidayTheme:
        case Item::CustomTheme:
            return TimeTableJson(CurrentTimeTable(), item);
        case Item::StdOnCorrection:
        case Item::StdOffCorrection:
        case Item::RtuTime:
        case Item::PerformMode:
        case Item::WeekendsType:
        case Item::CurrentThemeName:
        case Item::RtuClock:
            return PlanStatusJson(CurrentPlanStatus(), item);
        case Item::WorkTable:
            return WorkTableJson(CurrentWorkTable());
        case Item::Options:
            return OptionsJson(CurrentPlanStatus(), CurrentParameters());
        case Item::FixedLampsModes:
        case Item::CustomLampsModes:
            return CurrentStation() ? LampMasksJson(CurrentStation()->LampsMask(), item)
                                    : TJson::object();
        default:
            return ParametersJson(CurrentParameters(), item);
    }
}

TJson ResultJson(const TTaskResult& result) {
    TJson json;
    json["item"] = result.Task.Item;
    json["name"] = CatalogueName(result.Task.Item);
    json["write"] = result.Task.IsWrite;
    json["accepted"] = result.Accepted();
    json["result"] = OutcomeText(result.Outcome);
    if (!result.StatusLine.empty()) json["status"] = result.StatusLine;
    if (result.Accepted() && !result.Task.IsWrite)
        json["record"] = CurrentRecordJson(result.Task.Item);
    return json;
}

std::string JsonLine(const TJson& json) {
    return json.dump(-1, ' ', false, TJson::error_handler_t::replace);
}
