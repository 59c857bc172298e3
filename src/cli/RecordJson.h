#pragma once
// The decoded records as JSON: one writer per record kind, each giving the fields that the
// reply of one item filled, and the line printed for each finished command.

#include <nlohmann/json.hpp>

#include "cli/TaskTracker.h"

class TRtu6Status;
class TRtu6TimeTable;
class TRtu6ThemesCRC;
class TRtu6TimeStatusTable;
class TRtu6Parameters;
class TLampsMask;

using TJson = nlohmann::ordered_json;

// Items 112-116.
TJson StatusJson(const TRtu6Status& status, int item);
// Items 49-55: the plan lists the item carries.
TJson TimeTableJson(const TRtu6TimeTable& table, int item);
// Items 56, 57, 58, 65, 66, 70, 82.
TJson PlanStatusJson(const TRtu6ThemesCRC& plans, int item);
// Item 59.
TJson WorkTableJson(const TRtu6TimeStatusTable& work);
// The items of the parameter record, 119 with all its parts.
TJson ParametersJson(const TRtu6Parameters& parameters, int item);
// Item 118: its parts live in the plan status and in the parameter record.
TJson OptionsJson(const TRtu6ThemesCRC& plans, const TRtu6Parameters& parameters);
// Items 68, 69: the station's lamp-mode masks.
TJson LampMasksJson(const TLampsMask& masks, int item);

// The fields of the current records that a read reply of the item filled.
TJson CurrentRecordJson(int item);
// The line for a finished command: item, name, whether accepted, the status line that ended
// it and, for an accepted read, the decoded record.
TJson ResultJson(const TTaskResult& result);
// One line of text, invalid UTF-8 replaced.
std::string JsonLine(const TJson& json);
