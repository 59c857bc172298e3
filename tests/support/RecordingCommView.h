#pragma once
// A comm view that keeps the panel lines and the station marks, in place for the lifetime of
// the object.

#include <string>
#include <vector>

#include "comm/CommView.h"

class RecordingCommView : public TCommView {
public:
    RecordingCommView() { SetCommView(this); }
    ~RecordingCommView() override { SetCommView(nullptr); }

    void AddMessage(const std::string& line) override { Lines.push_back(line); }
    void StationRegistered(int stationNumber) override { Registered.push_back(stationNumber); }

    std::vector<std::string> Lines;
    std::vector<int> Registered;
};
