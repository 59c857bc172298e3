#pragma once
// The parts of the composite items 118 and 119, in wire order: each part is the data of a
// single item. A size of 0 stands for the rest of the data.

#include <cstddef>
#include <span>

struct TItemPart {
    int Item;
    size_t Size;
};

// Item 118: perform mode, weekend days, clock, longitude, latitude, time zone, the two
// corrections, today's switch-on adjustment, then the holiday list.
std::span<const TItemPart> OptionsParts();
// Item 119: loops in use, single-lamp loops, keep flag, auto-save interval, alarm mode, light
// control, alarm settings, restart settings, centre number, centre address, then the route table.
std::span<const TItemPart> AdvancedOptionsParts();
