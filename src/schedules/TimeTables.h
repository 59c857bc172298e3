#pragma once
// The time table: the controller's five action lists with its clock, week day and current
// plan as last read. It is what the plan items decode into and what BuildTimeTable fills.

#include <cstdint>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"
#include "schedules/ActionTables.h"

// Base of the time tables.
class TRtuTimeTable : public TIDataObj {
public:
    TDateTime Updated = 0;          // the last successful read
    TDateTime CurrentDateTime = 0;  // the controller's clock at that read

    virtual void Clear();
    // Equal to the minute within a day ("hhnn"), within a year ("mmddhhnn").
    static bool SameMinuteOfDay(TDateTime a, TDateTime b);
    static bool SameMinuteOfYear(TDateTime a, TDateTime b);
};

class TRtu6TimeTable : public TRtuTimeTable {
public:
    int RtuWeek = 0;
    int CurrentThemeId = kNoTheme;

    TRtu6ActionTable& OrdinaryPlan() { return Ordinary_; }
    TRtu6ActionTable& WeekendPlan() { return Weekend_; }
    TRtu6ActionTable& HolidayPlan() { return Holiday_; }
    TRtu6CustomActionTable& TemporaryPlan() { return Temporary_; }
    TRtu6TempActionTable& TemporaryOnOff() { return TempOnOff_; }
    const TRtu6ActionTable& OrdinaryPlan() const { return Ordinary_; }
    const TRtu6ActionTable& WeekendPlan() const { return Weekend_; }
    const TRtu6ActionTable& HolidayPlan() const { return Holiday_; }
    const TRtu6CustomActionTable& TemporaryPlan() const { return Temporary_; }
    const TRtu6TempActionTable& TemporaryOnOff() const { return TempOnOff_; }
    // List i in item order: 0 ordinary, 1 weekend, 2 holiday, 3 temporary plan, 4 temporary
    // on/off.
    TRtu6ActionTable& List(int i);
    const TRtu6ActionTable& List(int i) const;

    // Base fields 0, RtuWeek 0, CurrentThemeId 4, all lists empty.
    void Clear() override;
    // Copies everything, lists deeply, into another TRtu6TimeTable.
    virtual void AssignTo(TIDataObj& target) const;
    // Item 49: five count bytes, then the five lists' parts. Shorter than 5 bytes: false with
    // nothing changed. Otherwise the lists are emptied and decoded in order until one fails.
    bool LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops);
    TBytes Encode() const;

private:
    TRtu6ActionTable Ordinary_;
    TRtu6ActionTable Weekend_;
    TRtu6ActionTable Holiday_;
    TRtu6CustomActionTable Temporary_;
    TRtu6TempActionTable TempOnOff_;
};

// Decodes the parts of the first `lists` lists (4 for item 50, 5 for item 49) that follow
// `lists` count bytes in `bytes`. The lists are emptied first; decoding stops at the first
// list that fails, and a list whose count promises more bytes than there are fails.
bool LoadListParts(TRtu6TimeTable& table, const TBytes& bytes, int lists,
                   std::uint16_t streetLampLoops);
