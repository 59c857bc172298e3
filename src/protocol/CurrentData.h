#pragma once
// The current-data records: what the last replies of the current session said. One of each
// lives for the whole run; the reply parser (sender thread) fills them field by field, and
// the main window reads a record when the item's WM_DATA_ITEM message arrives.

class TRtu6Status;
class TRtu6TimeTable;
class TRtu6ThemesCRC;
class TRtu6TimeStatusTable;
class TRtu6Parameters;

TRtu6Status& CurrentStatus();
TRtu6TimeTable& CurrentTimeTable();
TRtu6ThemesCRC& CurrentPlanStatus();
TRtu6TimeStatusTable& CurrentWorkTable();
TRtu6Parameters& CurrentParameters();

// Puts every record back to its start-up state (tests, a new session).
void ClearCurrentData();
