#include "schedules/Rtu6Action.h"

#include "platform/CheckError.h"
#include "schedules/NightAxis.h"
#include "schedules/SunTimes.h"

namespace {

constexpr std::uint8_t kOnBit = 0x80;
constexpr std::uint8_t kKindBits = 0x70;
constexpr std::uint8_t kRefBits = 0x0F;
constexpr std::uint8_t kLampGiven = 0x80;
constexpr std::uint8_t kCustomBank = 0x40;
constexpr std::uint8_t kSavingBit = 0x20;
constexpr std::uint8_t kModeBits = 0x0F;
constexpr int kInvalidHour = 25;
const TDateTime kNoon = 0.5;  // exact in binary

const char* const kTimeModeError = "时间模式错误.";

int BcdValue(std::uint8_t b, int notBcd) {
    const char c = static_cast<char>(b);
    return IsBcdText(std::string_view(&c, 1)) ? FromBcd(b) : notBcd;
}

void SetBits(std::uint8_t& byte, std::uint8_t bits, bool on) {
    byte = static_cast<std::uint8_t>(on ? byte | bits : byte & ~bits);
}

// Effective time on the night axis of one time setting; `previous` is the effective time of
// the action a relative time counts from, `sun` the night time of sunset (switch-on) or
// sunrise (switch-off) that mode 0 stands for.
TDateTime EffectiveTime(int mode, TDateTime time, TDateTime previous, TDateTime sun) {
    const TDateTime d = TruncToMinute(time);
    const TDateTime sunset = NightTime(TodaySunset());
    const TDateTime sunrise = NightTime(TodaySunrise());
    switch (mode) {
        case kModeSun:
            return sun;
        case kModeFixed:
            return NightTime(time);
        case kModeAfterPrevious:
            return NightTime(d + previous);
        case kModeBeforeSunset:
            return NightTime(sunset - d);
        case kModeAfterSunset:
            return NightTime(d + sunset);
        case kModeBeforeSunrise:
            return NightTime(sunrise - d);
        case kModeAfterSunrise:
            return NightTime(d + sunrise);
        default:
            RaiseError(kTimeModeError);
    }
}

bool EntryInUse(const TOnOffInfo& entries, int k) {
    return k >= 1 && k <= kEntriesPerLoop && entries.Entry(1).IsUsed && entries.Entry(k).IsUsed;
}

// Kind and time of a switch-on or switch-off from an entry's time setting; false for a
// relative time without a previous action or a mode outside 0..6.
bool SetTimeFromMode(TRtu4Action& action, int mode, TDateTime t, int ref, bool on) {
    switch (mode) {
        case kModeSun:
            on ? action.AtSunset() : action.AtSunrise();
            return true;
        case kModeFixed:
            action.AtTime(t);
            return true;
        case kModeAfterPrevious:
            if (ref == -1) return false;
            action.AfterAction(ref, t);
            return true;
        case kModeBeforeSunset:
            action.BeforeSunset(t);
            return true;
        case kModeAfterSunset:
            action.AfterSunset(t);
            return true;
        case kModeBeforeSunrise:
            action.BeforeSunrise(t);
            return true;
        case kModeAfterSunrise:
            action.AfterSunrise(t);
            return true;
        default:
            return false;
    }
}

}  // namespace

// ---- TRtu4Action --------------------------------------------------------------------------

void TRtu4Action::AssignTo(TIDataObj& target) const {
    if (auto* action = dynamic_cast<TRtu4Action*>(&target)) {
        action->Flags_ = Flags_;
        action->HourBcd_ = HourBcd_;
        action->MinuteBcd_ = MinuteBcd_;
    }
}

void TRtu4Action::Reset() {
    Flags_ = HourBcd_ = MinuteBcd_ = 0;
}

void TRtu4Action::SetOn(bool on) {
    SetBits(Flags_, kOnBit, on);
}

void TRtu4Action::SetTimeKind(int kind) {
    Flags_ = static_cast<std::uint8_t>((Flags_ & ~kKindBits) | ((kind << 4) & kKindBits));
}

void TRtu4Action::SetRefIndex(int n) {
    Flags_ = static_cast<std::uint8_t>((Flags_ & ~kRefBits) | (n & kRefBits));
}

int TRtu4Action::Hour() const {
    const int hour = BcdValue(HourBcd_, kInvalidHour);
    return hour > 23 ? kInvalidHour : hour;
}

int TRtu4Action::Minute() const {
    return BcdValue(MinuteBcd_, 0);
}

TDateTime TRtu4Action::TimeOfDay() const {
    if (!IsValid()) RaiseError();
    return EncodeTime(Hour(), Minute(), 0);
}

void TRtu4Action::SetTime(TDateTime t) {
    const TTimeParts parts = DecodeTime(t);
    if (parts.Hour < 24) HourBcd_ = ToBcd(parts.Hour);
    if (parts.Minute < 60) MinuteBcd_ = ToBcd(parts.Minute);
}

void TRtu4Action::SetTimed(int kind, TDateTime t, int ref) {
    SetTimeKind(kind);
    SetTime(t);
    SetRefIndex(ref);
}

void TRtu4Action::AtSunset() {
    SetTimed(kKindAtSunset, 0);
}
void TRtu4Action::AtSunrise() {
    SetTimed(kKindAtSunrise, 0);
}
void TRtu4Action::AtTime(TDateTime t) {
    SetTimed(kKindAtTime, t);
}
void TRtu4Action::AfterAction(int ref, TDateTime duration) {
    SetTimed(kKindAfterAction, duration, ref);
}
void TRtu4Action::BeforeSunset(TDateTime duration) {
    SetTimed(kKindBeforeSunset, duration);
}
void TRtu4Action::AfterSunset(TDateTime duration) {
    SetTimed(kKindAfterSunset, duration);
}
void TRtu4Action::BeforeSunrise(TDateTime duration) {
    SetTimed(kKindBeforeSunrise, duration);
}
void TRtu4Action::AfterSunrise(TDateTime duration) {
    SetTimed(kKindAfterSunrise, duration);
}

// ---- TRtu6Action --------------------------------------------------------------------------

void TRtu6Action::AssignTo(TIDataObj& target) const {
    if (auto* action = dynamic_cast<TRtu6Action*>(&target)) *action = *this;
}

std::uint16_t TRtu6Action::GetLoops() const {
    return static_cast<std::uint16_t>(LoopsHigh_ << 8 | LoopsLow_);
}

void TRtu6Action::SetLoops(std::uint16_t loops) {
    LoopsHigh_ = static_cast<std::uint8_t>(loops >> 8);
    LoopsLow_ = static_cast<std::uint8_t>(loops & 0xFF);
}

std::uint8_t TRtu6Action::GetByte(int pos) const {
    switch (pos) {
        case 1:
            return Flags_;
        case 2:
            return HourBcd_;
        case 3:
            return MinuteBcd_;
        case 4:
            return LoopsHigh_;
        case 5:
            return LoopsLow_;
        case 6:
            return Lamp_;
        default:
            return 0;
    }
}

void TRtu6Action::Reset() {
    TRtu4Action::Reset();
    LoopsHigh_ = LoopsLow_ = Lamp_ = 0;
}

bool TRtu6Action::LoadFromBytes(const TBytes& bytes) {
    Reset();
    if (bytes.size() != kActionSize) return false;
    Flags_ = ByteAt(bytes, 0);
    HourBcd_ = ByteAt(bytes, 1);
    MinuteBcd_ = ByteAt(bytes, 2);
    LoopsHigh_ = ByteAt(bytes, 3);
    LoopsLow_ = ByteAt(bytes, 4);
    Lamp_ = ByteAt(bytes, 5);
    if (IsValid()) return true;
    Reset();
    return false;
}

TBytes TRtu6Action::Encode() const {
    TBytes bytes;
    for (int pos = 1; pos <= kActionSize; ++pos) bytes.push_back(static_cast<char>(GetByte(pos)));
    return bytes;
}

bool TRtu6Action::SetLoopOf(int loop) {
    if (loop < 1 || loop > 16) return false;
    SetLoops(static_cast<std::uint16_t>(1u << (loop - 1)));
    return true;
}

bool TRtu6Action::MakeOn(const TOnceOnOffInfo& entry, int loop, bool withLampMode, int ref) {
    Reset();
    SetOn(true);
    if (!SetTimeFromMode(*this, entry.OnTimeMode, entry.OnTime, ref, true)) return false;
    if (!SetLoopOf(loop)) return false;
    if (!withLampMode) {
        ClearLampMode();
        return true;
    }
    if (entry.LampsMode < 1 || entry.LampsMode > kLastLampMode) RaiseError();
    if (entry.LampsMode <= kLastStandardMode)
        SetStandardMode(entry.LampsMode);
    else
        SetCustomMode(entry.LampsMode - kLastStandardMode);
    SetSaving(entry.Saving);
    return true;
}

bool TRtu6Action::MakeOff(const TOnceOnOffInfo& entry, int loop, int ref) {
    Reset();
    if (!SetTimeFromMode(*this, entry.OffTimeMode, entry.OffTime, ref, false)) return false;
    return SetLoopOf(loop);
}

bool TRtu6Action::SameAs(const TIDataObj& other) const {
    const auto* action = dynamic_cast<const TRtu6Action*>(&other);
    return action && Encode() == action->Encode();
}

int TRtu6Action::LampMode() const {
    if (!HasLampMode()) return 1;
    return IsCustomBank() ? ModeNumber() + kLastStandardMode : ModeNumber();
}

void TRtu6Action::SetStandardMode(int n) {
    if (n >= 0 && n < 16) Lamp_ = static_cast<std::uint8_t>((Lamp_ & ~kModeBits) | n);
    Lamp_ = static_cast<std::uint8_t>((Lamp_ & ~kCustomBank) | kLampGiven);
}

void TRtu6Action::SetCustomMode(int n) {
    Lamp_ = static_cast<std::uint8_t>((Lamp_ & ~kModeBits) | (n & kModeBits));
    Lamp_ |= kCustomBank | kLampGiven;
}

void TRtu6Action::SetSaving(bool saving) {
    SetBits(Lamp_, kSavingBit, saving);
}

void TRtu6Action::ClearLampMode() {
    Lamp_ = static_cast<std::uint8_t>(Lamp_ & ~(kModeBits | kCustomBank | kLampGiven));
}

// ---- Names and texts ----------------------------------------------------------------------

const std::array<std::string, kLastLampMode + 1> LampsModeNames = {
    "",           "全亮",       "隔杆亮",   "大灯",    "交叉亮",   "大灯隔杆",   "隔杆交叉",
    "小灯",       "小灯隔杆亮", "隔两杆亮", "隔杆亮1", "隔杆亮2",  "大灯隔两杆", "隔杆灭小灯",
    "小灯隔两杆", "全灭",       "自定义1",  "自定义2", "自定义3",  "自定义4",    "自定义5",
    "自定义6",    "自定义7",    "自定义8",  "自定义9", "自定义10", "自定义11",   "自定义12",
    "自定义13",   "自定义14",   "自定义15"};

TDateTime OnTimeOf(const TOnOffInfo& entries, int k, TDateTime prevOff) {
    if (!EntryInUse(entries, k)) return 0;
    const TOnceOnOffInfo& entry = entries.Entry(k);
    // The first switch-on has no switch-off before it: "after the previous" means sunset.
    const int mode = entry.OnTimeMode == kModeAfterPrevious && k == 1 ? kModeSun : entry.OnTimeMode;
    return EffectiveTime(mode, entry.OnTime, prevOff, NightTime(TodaySunset()));
}

TDateTime OffTimeOf(const TOnOffInfo& entries, int k, TDateTime onTime) {
    if (!EntryInUse(entries, k)) return 0;
    const TOnceOnOffInfo& entry = entries.Entry(k);
    return EffectiveTime(entry.OffTimeMode, entry.OffTime, onTime, NightTime(TodaySunrise()));
}

std::string DurationText(TDateTime t) {
    const TTimeParts parts = DecodeTime(t);
    const std::string hours = std::to_string(parts.Hour);
    const std::string minutes = std::to_string(parts.Minute);
    if (parts.Hour == 0) return minutes + "分钟";
    if (parts.Minute != 0) return hours + "小时" + minutes + "分";
    return hours + "小时";
}

std::string DayPartPrefix(TDateTime t) {
    const TDateTime minute = TruncToMinute(t);
    if (minute > 0 && minute < EncodeTime(8, 0, 0)) return "凌晨";
    if (minute < kNoon) return "次日";
    return "";
}

std::string DescribeTime(int mode, TDateTime t) {
    switch (mode) {
        case kModeSun:
            return "日落/日出";
        case kModeFixed:
            return DayPartPrefix(t) + FormatDateTime("hh:nn", t);
        case kModeAfterPrevious:
            return DurationText(t) + " 后";
        case kModeBeforeSunset:
            return "日落前" + DurationText(t);
        case kModeAfterSunset:
            return "日落后" + DurationText(t);
        case kModeBeforeSunrise:
            return "日出前" + DurationText(t);
        case kModeAfterSunrise:
            return "日出后" + DurationText(t);
        default:
            return "";
    }
}

std::string DescribeOn(int mode, TDateTime t) {
    return mode == kModeSun ? "日落" : DescribeTime(mode, t);
}

std::string DescribeOff(int mode, TDateTime t) {
    return mode == kModeSun ? "日出" : DescribeTime(mode, t);
}
