#include "schedules/WorkTable.h"

#include "schedules/TimeTables.h"

namespace {

constexpr int kInvalidHour = 25;
constexpr size_t kRecordSize = 1 + TRtu6TimeStatus::kSize;  // record number + time point
constexpr std::uint8_t kHourFlag = 0x80;                    // dropped before decoding

bool IsBcdByte(std::uint8_t b) {
    const char c = static_cast<char>(b);
    return IsBcdText(std::string_view(&c, 1));
}

// Loops of one byte as "0"/"1" digits, the lowest loop first.
std::string LoopDigits(std::uint8_t loops) {
    return BitsText(ReverseBits8(loops));
}

}  // namespace

// ---- TRtu4TimeStatus ------------------------------------------------------------------------

int TRtu4TimeStatus::Hour() const {
    if (!IsBcdByte(HourBcd_)) return kInvalidHour;
    const int hour = FromBcd(HourBcd_);
    return hour > 23 ? kInvalidHour : hour;
}

int TRtu4TimeStatus::Minute() const {
    return IsBcdByte(MinuteBcd_) ? FromBcd(MinuteBcd_) : 0;
}

TDateTime TRtu4TimeStatus::TimeOfDay() const {
    return IsValid() ? EncodeTime(Hour(), Minute(), 0) : 0;
}

// ---- TRtu6TimeStatus ------------------------------------------------------------------------

void TRtu6TimeStatus::AssignTo(TIDataObj& target) const {
    if (auto* point = dynamic_cast<TRtu6TimeStatus*>(&target)) *point = *this;
}

std::uint8_t TRtu6TimeStatus::GetByte(int pos) const {
    switch (pos) {
        case 1:
            return HourBcd_;
        case 2:
            return MinuteBcd_;
        case 3:
            return LoopsHigh_;
        case 4:
            return LoopsLow_;
        case 5:
            return Lamp_;
        default:
            return 0;
    }
}

std::uint16_t TRtu6TimeStatus::GetLoops() const {
    return static_cast<std::uint16_t>(LoopsHigh_ << 8 | LoopsLow_);
}

void TRtu6TimeStatus::Reset() {
    HourBcd_ = MinuteBcd_ = LoopsHigh_ = LoopsLow_ = Lamp_ = 0;
}

bool TRtu6TimeStatus::LoadFromBytes(const TBytes& bytes) {
    Reset();
    if (bytes.size() != static_cast<size_t>(kSize)) return false;
    HourBcd_ = ByteAt(bytes, 0);
    MinuteBcd_ = ByteAt(bytes, 1);
    LoopsHigh_ = ByteAt(bytes, 2);
    LoopsLow_ = ByteAt(bytes, 3);
    Lamp_ = ByteAt(bytes, 4);
    if (IsValid()) return true;
    Reset();
    return false;
}

TBytes TRtu6TimeStatus::Encode() const {
    TBytes bytes;
    for (int pos = 1; pos <= kSize; ++pos) bytes += static_cast<char>(GetByte(pos));
    return bytes;
}

// ---- TRtu6TimeStatusTable -------------------------------------------------------------------

int TRtu6TimeStatusTable::Count() const {
    int count = 0;
    while (count < kMaxCount && Slots_[count] && Slots_[count]->IsValid()) ++count;
    return count;
}

const TRtu6TimeStatus* TRtu6TimeStatusTable::Get(int i) const {
    if (i < 1 || i > kMaxCount) return nullptr;
    const auto& slot = Slots_[i - 1];
    return slot && slot->IsValid() ? &*slot : nullptr;
}

void TRtu6TimeStatusTable::Clear() {
    for (auto& slot : Slots_) slot.reset();
}

bool TRtu6TimeStatusTable::LoadFromBytes(const TBytes& payload) {
    Clear();
    if (payload.size() % kRecordSize != 1) return false;
    const size_t count = ByteAt(payload, 0);
    if (count * kRecordSize + 1 != payload.size() || count > kMaxCount) return false;
    for (size_t i = 0; i < count; ++i) {
        TBytes bytes = payload.substr(2 + i * kRecordSize, TRtu6TimeStatus::kSize);
        bytes[0] = static_cast<char>(ByteAt(bytes, 0) & ~kHourFlag);
        TRtu6TimeStatus point;
        if (!point.LoadFromBytes(bytes)) return false;
        Slots_[i] = point;
    }
    return true;
}

TBytes TRtu6TimeStatusTable::Encode() const {
    const int count = Count();
    TBytes payload(1, static_cast<char>(count));
    for (int i = 1; i <= count; ++i) payload += static_cast<char>(i) + Get(i)->Encode();
    return payload;
}

std::string TRtu6TimeStatusTable::AsText() const {
    std::string text;
    for (int i = 1; i <= Count(); ++i) {
        const TRtu6TimeStatus& point = *Get(i);
        const char lamp = static_cast<char>(point.LampByte());
        text += PadLeft(std::to_string(i), 2, '0') + " " +
                FormatDateTime("hh:nn", point.TimeOfDay()) + " " + LoopDigits(point.GetByte(4)) +
                " " + LoopDigits(point.GetByte(3)) + " " +
                BytesToHexText(std::string_view(&lamp, 1)) + "\r\n";
    }
    return text;
}

// ---- The work table as a plan ---------------------------------------------------------------

namespace {

// Loops 9..16 are left out of the on/off summary.
constexpr int kSummaryLoops = 8;

// Where one loop first switches on and last switches off in the work table (slot 0: never).
struct TLoopSwitching {
    int OnSlot = 0;
    int OffSlot = 0;
};

TLoopSwitching SwitchingOf(const TRtu6TimeStatusTable& work, int loop) {
    const std::uint16_t bit = static_cast<std::uint16_t>(1u << (loop - 1));
    TLoopSwitching switching;
    bool wasOn = false;
    for (int q = 1; q <= work.Count(); ++q) {
        const bool isOn = (work.Get(q)->GetLoops() & bit) != 0;
        if (isOn && !wasOn && switching.OnSlot == 0) switching.OnSlot = q;
        if (!isOn && wasOn) switching.OffSlot = q;
        wasOn = isOn;
    }
    return switching;
}

using TPendingActions = std::array<std::optional<TRtu6Action>, TRtu6TimeStatusTable::kMaxCount>;

// The action of a slot switches loop on or off at the slot's time, in addition to the loops
// it already switches; the on/off bit is the one set last.
void SwitchAt(const TRtu6TimeStatusTable& work, int slot, int loop, bool on,
              TPendingActions& pending) {
    auto& action = pending[static_cast<size_t>(slot - 1)];
    if (!action) action.emplace();
    action->SetOn(on);
    action->AtTime(work.Get(slot)->TimeOfDay());
    action->SetLoops(static_cast<std::uint16_t>(action->GetLoops() | 1u << (loop - 1)));
}

}  // namespace

bool WorkTableToTimeTable(const TRtu6TimeStatusTable& work, TRtu6TimeTable& target) {
    target.Clear();
    TPendingActions pending;
    for (int loop = 1; loop <= kSummaryLoops; ++loop) {
        const TLoopSwitching switching = SwitchingOf(work, loop);
        if (switching.OnSlot > 0) SwitchAt(work, switching.OnSlot, loop, true, pending);
        if (switching.OffSlot > 0) SwitchAt(work, switching.OffSlot, loop, false, pending);
    }
    TRtu6TimeTable plan;
    plan.CurrentThemeId = 0;
    TRtu6ActionTable& ordinary = plan.OrdinaryPlan();
    int position = 0;
    for (const auto& action : pending) {
        if (!action) continue;
        if (++position > ordinary.MaxCount()) return false;
        ordinary.Put(position, *action);
    }
    plan.AssignTo(target);
    return true;
}
