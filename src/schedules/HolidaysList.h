#pragma once
// The controller's holiday list: up to 32 dates given by month and day only, on which the
// controller runs its holiday plan. Read and written as data item 67; the user edits it as
// "mm-dd" lines.

#include <array>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

class THolidaysList {
public:
    static constexpr int kSlotCount = 32;

    // A new list holds the default holidays of the current year.
    THolidaysList();

    void Clear();
    // The number of non-empty slots.
    int Count() const;
    // The date of slot 1..32; 0 for an empty slot or a slot number out of range.
    TDateTime Get(int slot) const;
    // The first slot holding the same month and day as date, or -1.
    int IndexOf(TDateTime date) const;
    // The slot of the date: the one already holding its month and day, else the first empty
    // slot it now fills; -1 when the list is full or date is 0 ("no date").
    int Add(TDateTime date);

    // Item 67 payload: month and day as BCD for each date, then a terminating 0x00.
    TBytes Encode() const;
    // False, with the list left empty, for a payload that is not such a list.
    bool LoadFromBytes(const TBytes& payload);

    // Replaces lines with one "mm-dd" text per date.
    void ToStrings(std::vector<std::string>& lines) const;
    // Fills the list from the user's "mm-dd" lines, taken as dates of the current year.
    // False, with the list left empty, when a line is no such date.
    bool LoadFromStrings(const std::vector<std::string>& lines);

    void AssignTo(THolidaysList& other) const;

private:
    void AddDefaults();

    std::array<TDateTime, kSlotCount> Slots_{};
};
