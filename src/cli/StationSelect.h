#pragma once
// Which controller the client talks to: the current station set up from a stored station
// (remote mode) or for a bare cable address (direct mode).

#include <optional>
#include <string>

// The number of the first stored station of that name.
std::optional<int> FindStoredStation(const std::string& name);
// (Selecting it as the current station: SelectStoredStation, app/SystemInit.h.)
// The current station as one controller at `address` on the cable; short-message frames carry
// a time stamp.
void UseCableStation(int address, bool shortMessageFormat);
