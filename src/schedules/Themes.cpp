#include "schedules/Themes.h"

int TOnOffInfo::UsedCount() const {
    int n = 0;
    while (n < kEntriesPerLoop && Entries[static_cast<size_t>(n)].IsUsed) ++n;
    return n;
}
