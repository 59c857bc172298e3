#pragma once
// What the communications show in the main window: lines of the message panel and the marks
// of the station list. The window puts its own view in place; the headless programs keep the
// lines (or print them). Every call comes on the main thread.

#include <string>

class TCommView {
public:
    virtual ~TCommView() = default;
    // A line of the message panel in the normal text colour.
    virtual void AddMessage(const std::string& line) = 0;
    // A terminal registered from a new address: the station's list entry shows its name and
    // "*", and a selected station is selected again (its route changed).
    virtual void StationRegistered(int stationNumber) = 0;
};

// The view in force (one that shows nothing until one is set).
TCommView& CommView();
// nullptr restores the silent view. The caller keeps the object alive.
void SetCommView(TCommView* view);
