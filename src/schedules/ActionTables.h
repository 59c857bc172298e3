#pragma once
// The controller's action lists (plans), their byte forms (the payloads of the plan items),
// the conversion between plans in editing form and action lists, and the small records of
// the plan status (item 58, item 70) and of today's switch-on adjustment (item 81).
//
// Every decoder answers false rather than raising and leaves its object empty or cleared.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"
#include "schedules/Rtu6Action.h"
#include "schedules/Themes.h"

class TStation;
class TRtu6TimeTable;

inline constexpr int kPlanActions = 15;
inline constexpr int kTempOnOffActions = 2;

// Two actions are the same for merging when on/off, time kind, hour, minute and reference
// are equal and, when both give a lamp mode, bank and mode number too. Saving and loops are
// not compared.
bool SameForMerging(const TRtu6Action& a, const TRtu6Action& b);

// One action list: slots 1..MaxCount, each empty or holding an action. Values copy deeply.
class TRtu6ActionTable : public TIDataObj {
public:
    explicit TRtu6ActionTable(int maxCount = kPlanActions);

    TDateTime StartDate = 0;  // the two temporary lists only; 0 = none
    int Days = 0;             // the temporary plan only

    int MaxCount() const { return static_cast<int>(Slots_.size()); }
    // The number of leading slots that hold a valid action.
    int Count() const;
    // The action of slot i (1..MaxCount), valid or not; none for an empty slot or another i.
    const TRtu6Action* Get(int i) const;
    // Stores a copy in slot i; ignored outside 1..MaxCount.
    void Put(int i, const TRtu6Action& action);
    // Empties every slot; StartDate and Days stay.
    void Clear();

    // Deep copy of StartDate, Days, MaxCount and the slots into another action list.
    virtual void AssignTo(TIDataObj& target) const;
    // Position of the first of the first Count actions that is the same for merging, or -1.
    virtual int IndexOf(const TRtu6Action& action) const;
    // Crc16 of Encode.
    virtual std::uint16_t CheckCode() const;
    // Whether the list applies from today on: always for the ordinary lists.
    virtual bool IsCurrent() const;
    // Merges the action into the same one (loops joined, a given lamp mode taken over, the
    // stored saving bit kept) or appends a copy; its position, or -1 when the list is full.
    virtual int Add(const TRtu6Action& action);
    // Slots 1..Count equal to the other list's slots (its further slots are not compared).
    virtual bool SameAs(const TIDataObj& other) const;
    // Count x 6 bytes; the whole list must also make a plan (ToTheme) for the loop set.
    virtual bool LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops);
    virtual TBytes Encode() const;
    // The plan the list stands for; none when the editing model cannot express the list.
    virtual std::optional<TTheme> ToTheme(std::uint16_t streetLampLoops) const;

    // Date bytes in front of the actions in Encode (when there are dates): 0, 8 or 4.
    virtual int DateBytes() const { return 0; }

protected:
    // The 6-byte groups into slots 1, 2, ...: length a multiple of 6, at most MaxCount
    // groups, every one a valid action. The slots are emptied first and on failure.
    bool LoadActions(const TBytes& bytes);
    TBytes EncodeActions() const;
    bool SameActions(const TRtu6ActionTable& other) const;

private:
    std::vector<std::optional<TRtu6Action>> Slots_;
};

// The temporary plan: the actions apply from StartDate for Days days.
class TRtu6CustomActionTable : public TRtu6ActionTable {
public:
    TRtu6CustomActionTable() : TRtu6ActionTable(kPlanActions) {}

    // Today is not after StartDate and Days >= 1.
    bool IsCurrent() const override;
    // Also requires a temporary plan with the same StartDate and Days.
    bool SameAs(const TIDataObj& other) const override;
    // Start date and end date (century, year, month, day in BCD each) and the actions; an
    // empty input is an empty plan.
    bool LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops) override;
    // Empty when StartDate is 0 or Days < 1.
    TBytes Encode() const override;
    int DateBytes() const override { return 8; }
};

// The temporary on/off: at most two actions at fixed times on the date StartDate.
class TRtu6TempActionTable : public TRtu6ActionTable {
public:
    TRtu6TempActionTable() : TRtu6ActionTable(kTempOnOffActions) {}

    // Today is not after StartDate.
    bool IsCurrent() const override;
    // Also requires a temporary on/off list with the same StartDate.
    bool SameAs(const TIDataObj& other) const override;
    // The date (century, year, month, day in BCD) and the actions, which must make a
    // temporary on/off (ToTempTheme); an empty input is an empty list.
    bool LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops) override;
    // Empty when StartDate is 0.
    TBytes Encode() const override;
    int DateBytes() const override { return 4; }

    virtual std::optional<TTempTheme> ToTempTheme(std::uint16_t streetLampLoops) const;
};

// ---- Plans in editing form ---------------------------------------------------------------

// Fills `target` from edited plans (plans not to be sent are passed cleared): each plan of
// the loops of the station that exist, are in use and have a schedule, sharing identical
// actions between loops. On failure (an entry that makes no action, more than 15 distinct
// actions in a plan, more than 2 for the temporary on/off) logs "Unable MakeTimeTable." and
// answers false with the target cleared. A street-lamp entry with a lamp mode outside 1..30
// raises the general check error (the target is cleared then too).
bool BuildTimeTable(const TStation& station, const TTheme& ordinary, const TTheme& weekend,
                    const TTheme& holiday, const TCustomTheme& temporary,
                    const TTempTheme& tempOnOff, TRtu6TimeTable& target);

// Plan equality as the user sees it: times of mode 0 are not compared, loops without a
// schedule are equal whatever else they hold.
bool SameEntry(const TOnceOnOffInfo& a, const TOnceOnOffInfo& b);
bool SameLoop(const TOnOffInfo& a, const TOnOffInfo& b);
bool SameTheme(const TTheme& a, const TTheme& b);
bool IsEmptyTheme(const TTheme& theme);

// Turns a loop's entries into the street-lamp form (flag true) or the pairs form: entries
// 2-6 are cleared and entry 1's lamp mode becomes 1 or 0. Nothing happens when the loop
// already is of that kind or has no schedule.
void SetLoopKind(bool streetLamp, TOnOffInfo& entries);

// ---- Payloads of the plan items ------------------------------------------------------------

// The part of one list in an item: its Encode when it has actions, else nothing; `count` is
// set to the count byte that goes with it.
TBytes ListPart(const TRtu6ActionTable& list, int& count);
// Items 51-55: the count byte, then the list's part.
TBytes PlanItemPayload(const TRtu6ActionTable& list);
// Items 51-55 back into the list: a count byte n, then n actions (and the list's dates when
// n > 0). Bytes beyond that are ignored; fewer bytes than the count promises fail.
bool LoadPlanItem(TRtu6ActionTable& list, const TBytes& payload, std::uint16_t streetLampLoops);
// Item 50 as written: four count bytes (ordinary, weekend, holiday, temporary plan), then
// their parts; the temporary plan goes only when it IsCurrent and has actions.
TBytes FixedTimerPayload(const TRtu6TimeTable& table);
// Item 50 as read: the four lists are emptied and decoded in order until one fails.
bool LoadFixedTimerItem(TRtu6TimeTable& table, const TBytes& payload,
                        std::uint16_t streetLampLoops);

// ---- Plan status (items 58 and 70) ---------------------------------------------------------

// Current-plan numbers: 0 ordinary, 1 weekend, 2 holiday, 3 temporary plan, 4 none.
inline constexpr int kNoTheme = 4;
// The number of a wire plan code (0 none, 1..4 the plans); none for 5..7.
std::optional<int> ThemeIdOfCode(int code);

struct TPlanCheck {
    int Length = 0;
    std::uint16_t Code = 0;  // high byte first on the wire
};

// The reply of item 58: the controller's clock and the state of its plans.
class TRtu6ThemesCRC : public TIDataObj {
public:
    static constexpr int kSize = 35;

    TDateTime RtuClock = 0;
    int RtuWeek = 0;  // the week byte as sent
    int CurrentThemeId = kNoTheme;
    int PerformMode = 4;           // 0..3, 4 unknown
    std::uint8_t WeekendDays = 0;  // bit k-1: day k (1 Monday .. 7 Sunday)
    // Ordinary, weekend, holiday, temporary plan, temporary on/off.
    std::array<TPlanCheck, 5> Plans{};
    // Stored, not shown.
    std::uint16_t Reserved1 = 0, Reserved2 = 0;
    std::uint8_t Reserved3 = 0;
    std::uint16_t Reserved4 = 0;
    int StdOnCorrection = 0;   // minutes
    int StdOffCorrection = 0;  // minutes

    void Clear();
    bool IsWeekendDay(int day) const;
    // 35 bytes; an empty input clears the record and counts as success.
    bool LoadFromBytes(const TBytes& bytes);
    // Item 70: one byte, the current plan code.
    bool LoadCurrentPlanCode(const TBytes& bytes);
    // The five check-code lines, joined by CR LF.
    std::string AsText() const;
    // What a read of item 58 tells the time table: Updated = now, the controller's clock,
    // week byte and current plan.
    void CopyTo(TRtu6TimeTable& table) const;
};

// ---- Today's switch-on adjustment (item 81) ------------------------------------------------

class TSomeDaysStdOn : public TIDataObj {
public:
    static constexpr int kSize = 5;
    static constexpr int kNoAdjustment = 0;  // "不调整"
    static constexpr int kNewTime = 2;       // "指定新时间": switch on at hh:mm today
    static constexpr int kEarlier = 4;       // "提前": switch on hh:mm before sunset today

    // The record to write for the user's choice: today's month and day, the kind and the
    // time cut to whole minutes; five zero bytes for no adjustment (and any other kind).
    static TSomeDaysStdOn ForChoice(int kind, TDateTime time);

    void Clear() { Bytes_ = {}; }
    // Exactly five bytes forming a valid record; otherwise cleared and false.
    bool LoadFromBytes(const TBytes& bytes);
    TBytes Encode() const;
    int AdjustKind() const { return (Bytes_[2] >> 4) & 7; }
    // The month and day in the current year; 0 when that is no date.
    TDateTime AdjustDate() const;
    // hh:mm; 0 when that is no time.
    TDateTime AdjustTime() const;
    bool IsValid() const;

private:
    std::array<std::uint8_t, kSize> Bytes_{};
};
