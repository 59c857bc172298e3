#include "stations/StationBase.h"

#include <algorithm>
#include <cmath>

#include "protocol/Rtu6Class.h"
#include "schedules/Themes.h"

namespace {

constexpr int kPhaseCount = 3;
constexpr int kMaxAmpIndex = 27;
constexpr int kMaxZeroI = 4095;
constexpr int kStandardMaskBytes = 4;
// A pattern that does not come back within this many 2-bit steps is never rotated.
constexpr int kMaxRotationPeriod = 6;

bool ValidPhase(int phase) {
    return phase >= 1 && phase <= kPhaseCount;
}
bool ValidLampMode(int mode) {
    return mode >= 1 && mode <= kLampModeCount;
}

// Cut or padded with zero bytes to `width` bytes.
TBytes Fit(const TBytes& bytes, int width) {
    if (width <= 0) return {};
    TBytes out = bytes.substr(0, static_cast<size_t>(width));
    out.resize(static_cast<size_t>(width), '\0');
    return out;
}

bool AllZero(const TBytes& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
}

// The bytes as one bit string, first byte most significant, rotated towards the end.
TBytes RotateRight(const TBytes& bytes, size_t bits) {
    const size_t total = bytes.size() * 8;
    if (total == 0) return bytes;
    TBytes out(bytes.size(), '\0');
    for (size_t k = 0; k < total; ++k) {
        if (((ByteAt(bytes, k / 8) >> (7 - k % 8)) & 1) == 0) continue;
        const size_t to = (k + bits) % total;
        out[to / 8] = static_cast<char>(ByteAt(out, to / 8) | (0x80 >> (to % 8)));
    }
    return out;
}

// Smallest number of 2-bit steps that gives the pattern back, 0 when it takes more than six.
int RotationPeriod(const TBytes& pattern) {
    for (int steps = 1; steps <= kMaxRotationPeriod; ++steps)
        if (RotateRight(pattern, 2 * static_cast<size_t>(steps)) == pattern) return steps;
    return 0;
}

// Lamp patterns of the standard modes 1..15, one bit pair per lamp.
struct TLampPattern {
    std::uint8_t Size;
    std::array<std::uint8_t, 4> Bytes;
};
constexpr std::array<TLampPattern, kStandardLampModes> kStandardPatterns{{
    {1, {0x03}},
    {2, {0x43, 0x50}},
    {1, {0x01}},
    {2, {0x41, 0x52}},
    {2, {0x41, 0x50}},
    {4, {0xC1, 0xD0, 0xE2, 0xF0}},
    {1, {0x02}},
    {2, {0x42, 0x50}},
    {3, {0x83, 0x90, 0xA0}},
    {4, {0xC3, 0xD0, 0xE1, 0xF0}},
    {4, {0xC3, 0xD0, 0xE2, 0xF0}},
    {3, {0x81, 0x90, 0xA0}},
    {2, {0x43, 0x51}},
    {3, {0x82, 0x90, 0xA0}},
    {1, {0x00}},
}};

TBytes StandardPattern(int mode) {
    const TLampPattern& pattern = kStandardPatterns[static_cast<size_t>(mode - 1)];
    return TBytes(pattern.Bytes.begin(), pattern.Bytes.begin() + pattern.Size);
}

}  // namespace

// --- TLoop ---------------------------------------------------------------------------

TLoopInfo TLoop::Info() const {
    TLoopInfo info;
    static_cast<TLoopValues&>(info) = *this;
    info.Leading = 1;
    return info;
}

std::string TLoop::Phases() const {
    std::string letters;
    for (int p = 1; p <= kPhaseCount; ++p)
        if (PhaseUsed(p)) letters.push_back(static_cast<char>('A' + p - 1));
    return letters;
}

bool TLoop::PhaseUsed(int phase) const {
    return ValidPhase(phase) && Used[phase - 1];
}

int TLoop::WattMeterNumbers() const {
    int number = 0;
    for (int meter : WattMeter)
        if (meter >= 1 && meter <= 9) number = number * 10 + meter;  // a meter is one digit
    return number;
}

void TLoop::SetWattMeterNumbers(const std::string& digits) {
    if (digits.size() != Phases().size()) return;
    if (!digits.empty() && !IsDigits(digits)) return;
    size_t next = 0;
    for (int p = 1; p <= kPhaseCount; ++p)
        WattMeter[p - 1] = PhaseUsed(p) ? digits[next++] - '0' : 0;
}

int TLoop::AmpIndex(int phase) const {
    if (!ValidPhase(phase)) return -1;
    const int index = AmpIndexOfPhase[phase - 1];
    return index >= 1 && index <= kMaxAmpIndex ? index : -1;
}

// --- TLoops --------------------------------------------------------------------------

TLoop* TLoops::Get(int i) const {
    if (i < 1 || i > kMaxLoops) return nullptr;
    return Loops_[i - 1].get();
}

void TLoops::Set(int i, std::unique_ptr<TLoop> loop) {
    if (i < 1 || i > kMaxLoops) return;
    Loops_[i - 1] = std::move(loop);
}

// --- TLampsMask ----------------------------------------------------------------------

int TLampsMask::Width() const {
    return Owner_ ? Owner_->MaskWidth() : 0;
}

TBytes TLampsMask::Mask(int mode) const {
    if (!ValidLampMode(mode)) return {};
    TBytes mask = Fit(Masks_[mode - 1], Width());
    return AllZero(mask) ? TBytes() : mask;
}

void TLampsMask::SetMask(int mode, const TBytes& bytes) {
    if (!ValidLampMode(mode)) return;
    TBytes mask = Fit(bytes, Width());
    if (AllZero(mask)) mask.clear();
    if (Masks_[mode - 1] != mask) Masks_[mode - 1] = std::move(mask);
}

TBytes TLampsMask::Records(int first, int maskBytes) const {
    TBytes data;
    for (int k = 1; k <= kStandardLampModes; ++k) {
        data.push_back(static_cast<char>(k));
        data += Fit(Masks_[first + k - 2], maskBytes);
    }
    return data;
}

TBytes TLampsMask::StandardMasksData() const {
    return Records(1, kStandardMaskBytes);
}
TBytes TLampsMask::CustomMasksData() const {
    return Records(kStandardLampModes + 1, Width());
}

bool TLampsMask::LoadRecords(const TBytes& bytes, int first, int maskBytes) {
    for (int k = 0; k < kStandardLampModes; ++k) Masks_[first - 1 + k].clear();
    const size_t recordSize = static_cast<size_t>(maskBytes) + 1;
    if (bytes.size() % recordSize != 0) return false;
    for (size_t at = 0; at < bytes.size(); at += recordSize) {
        const int k = ByteAt(bytes, at);
        if (k < 1 || k > kStandardLampModes) return false;
        SetMask(first + k - 1, bytes.substr(at + 1, static_cast<size_t>(maskBytes)));
    }
    return true;
}

// Standard records carry the mode number itself; custom records carry k for mode k + 15.
bool TLampsMask::LoadStandardMasks(const TBytes& bytes) {
    return LoadRecords(bytes, 1, kStandardMaskBytes);
}

bool TLampsMask::LoadCustomMasks(const TBytes& bytes) {
    return LoadRecords(bytes, kStandardLampModes + 1, Width());
}

void TLampsMask::Clear() {
    LoadStandardMasks({});
    LoadCustomMasks({});
}

// --- TStation ------------------------------------------------------------------------

TStation::TStation(const TStationInfo& info)
    : RtuKind_(info.RtuKind), StationId_(info.StationId), Loops_(this), LampsMask_(this) {
    const TDateTime created = Now();
    Status_.Created = {created, created};
    CopyFrom(info);
}

TStation::~TStation() = default;

void TStation::CopyFrom(const TStationInfo& info) {
    RtuKind_ = info.RtuKind;
    SetName(info.Name);
    SetLinkKind(info.LinkKind);
    for (int i = 1; i <= 2; ++i) SetRtuAddress(i, info.RtuAddress[i - 1]);
    SetDeviceId(info.DeviceId);
    SetPhoneNumber(info.PhoneNumber);
    for (int i = 1; i <= kPhaseCount; ++i) SetZeroI(i, info.ZeroI[i - 1]);
    Carried_ = info.Carried;
}

std::int32_t TStation::RtuAddress(int i) const {
    return i == 1 || i == 2 ? RtuAddress_[i - 1] : 0;
}

std::int32_t TStation::ZeroI(int i) const {
    return ValidPhase(i) ? ZeroI_[i - 1] : 0;
}

void TStation::SetStationId(std::int32_t id) {
    StationId_ = id;
}
void TStation::SetName(const std::string& name) {
    Name_ = name;
}

void TStation::SetLinkKind(int kind) {
    LinkKind_ = static_cast<std::uint8_t>(kind);
    FrameFormat_ = LinkKind_ == kLinkRadio ? 1 : LinkKind_ == kLinkSms ? 5 : 6;
}

void TStation::SetRtuAddress(int i, std::int32_t address) {
    if (i != 1 && i != 2) return;
    RtuAddress_[i - 1] = address;
    if (Rtu_[i - 1]) Rtu_[i - 1]->SetAddress(address);
}

void TStation::SetPhoneNumber(const std::string& number) {
    if (number.empty() || IsDigits(number)) PhoneNumber_ = number;
}

void TStation::SetDeviceId(const std::string& id) {
    DeviceId_ = id;
}
void TStation::SetIpAddress(const std::string& address) {
    IpAddress_ = address;
}
void TStation::SetIpPort(std::int32_t port) {
    IpPort_ = port;
}

void TStation::SetZeroI(int i, std::int32_t value) {
    if (ValidPhase(i) && value >= 0 && value <= kMaxZeroI) ZeroI_[i - 1] = value;
}

void TStation::SetStreetLampMask(std::uint16_t mask) {
    for (int i = 1; i <= kMaxLoops; ++i)
        if (TLoop* loop = Loops_.Get(i)) loop->IsStreetLamp = (mask >> (i - 1)) & 1;
}

std::uint16_t TStation::StreetLampMask() const {
    std::uint16_t mask = 0;
    for (int i = 1; i <= kMaxLoops; ++i) {
        const TLoop* loop = Loops_.Get(i);
        if (loop && loop->IsStreetLamp) mask = static_cast<std::uint16_t>(mask | (1u << (i - 1)));
    }
    return mask;
}

void TStation::Assign(const TStationInfo& info) {
    if (info.StationId == StationId_) CopyFrom(info);
}

TStationInfo TStation::Info() const {
    TStationInfo info;
    info.RtuKind = RtuKind_;
    info.StationId = StationId_;
    info.Name = Name_;
    info.RtuAddress = RtuAddress_;
    info.LinkKind = LinkKind_;
    info.DeviceId = DeviceId_;
    info.PhoneNumber = PhoneNumber_;
    info.ZeroI = ZeroI_;
    info.Carried = Carried_;
    return info;
}

TLoop* TStation::Loop(int i) const {
    if (i < 1 || i > std::min<int>(LoopCount_, kMaxLoops)) return nullptr;
    return Loops_.Get(i);
}

TRtu6* TStation::Rtu(int i) const {
    return i == 1 || i == 2 ? Rtu_[i - 1].get() : nullptr;
}

int TStation::RtuCount() const {
    return static_cast<int>(
        std::count_if(Rtu_.begin(), Rtu_.end(), [](const auto& rtu) { return rtu != nullptr; }));
}

bool TStation::FindPhaseOfAmpIndex(int ampIndex, int& loop, int& phase) const {
    loop = (ampIndex - 1) / kPhaseCount + 1;
    phase = (ampIndex - 1) % kPhaseCount + 1;
    if (ampIndex < 1 || ampIndex > kPhaseCount * LoopCount_) return false;
    for (int i = 1; i <= LoopCount_; ++i) {
        const TLoop* candidate = Loop(i);
        if (candidate == nullptr) continue;
        for (int p = 1; p <= kPhaseCount; ++p) {
            if (candidate->AmpIndex(p) == ampIndex) {
                loop = i;
                phase = p;
                return true;
            }
        }
    }
    return true;
}

bool TStation::IsLampModeDefined(int mode) const {
    return !LampsMask_.Mask(mode).empty();
}

TBytes TStation::LampsMaskOf(int mode, TDateTime date) const {
    TBytes mask = LampsMask_.Mask(mode);
    return mask.empty() ? DefaultLampsMask(mode, date, MaskWidth_) : mask;
}

bool TStation::IsRtuKind6() const {
    return RtuKind_ == 3 || RtuKind_ == 5 || RtuKind_ == 6;
}

bool TStation::LoopHasWattMeter(int loop) const {
    const TLoop* candidate = Loop(loop);
    if (candidate == nullptr) return false;
    return std::any_of(candidate->WattMeter.begin(), candidate->WattMeter.end(),
                       [this](int meter) { return IsWattMeterNumber(meter); });
}

bool TStation::HasRtu() const {
    return Rtu_[0] && Rtu_[0]->IsConcreteSession();
}

TBytes TStation::DefaultLampsMask(int mode, TDateTime date, int width) {
    if (width <= 0) return {};
    if (mode < 1 || mode > kStandardLampModes) return TBytes(static_cast<size_t>(width), '\xFF');
    TBytes pattern = StandardPattern(mode);
    if (date != 0 && std::isfinite(date)) {
        const int period = RotationPeriod(pattern);
        if (period > 0) {
            // fmod keeps dates before 1899-12-30 and absurd values well defined.
            double shift = std::fmod(std::floor(date), period);
            if (shift < 0) shift += period;
            pattern = RotateRight(pattern, 2 * static_cast<size_t>(shift));
        }
    }
    TBytes mask;
    while (mask.size() < static_cast<size_t>(width)) mask += pattern;
    return mask.substr(0, static_cast<size_t>(width));
}

void TStation::CreateRtu(int i) {
    if (i != 1 && i != 2) return;
    Rtu_[i - 1] = std::make_unique<TRtu6>(RtuAddress(i), this, PhoneNumber());
}

// --- Schedules ---------------------------------------------------------------------------

TStation::TLoopTimes TStation::DescribeLoopTimes(int, const TRtu6TimeTable&) const {
    return {};
}

TStation::TLoopTimes TStation::DescribeLoopStatus(int, const TRtu6TimeStatusTable&) const {
    return {};
}

void TStation::TempSwitchOn(const std::array<TOnceOnOffInfo, kMaxLoops>& entries) {
    TTempTheme record;
    record.OnUsed = true;
    record.OnDateTime = Now() - 2 / kMinutesPerDay;
    record.LampsMode = 1;
    for (int loop = 1; loop <= kMaxLoops; ++loop)
        if (entries[static_cast<size_t>(loop - 1)].IsUsed) record.Loops |= 1u << (loop - 1);
    ApplyTemporarySchedule(record);
}

void TStation::TempSwitchOff(const std::array<bool, kMaxLoops>& loops) {
    TTempTheme record;
    record.OffUsed = true;
    record.OffDateTime = Now();
    for (int loop = 1; loop <= kMaxLoops; ++loop)
        if (loops[static_cast<size_t>(loop - 1)]) record.Loops |= 1u << (loop - 1);
    ApplyTemporarySchedule(record);
}

void TStation::ApplyTemporarySchedule(const TTempTheme& record) {
    constexpr TDateTime kTwentyMinutes = 20 / kMinutesPerDay;
    for (const auto& rtu : Rtu_) {
        if (!rtu) continue;
        rtu->SendTemporarySwitch(record);
        if (RtuKind_ != 3) {
            const TDateTime now = Now();
            rtu->ReadStatusGroup(true, true, true, true, true, now + kTwentyMinutes, now);
        }
    }
}
