#include "protocol/CurrentData.h"

#include "protocol/Rtu6Parameters.h"
#include "schedules/ActionTables.h"
#include "schedules/TimeTables.h"
#include "schedules/WorkTable.h"
#include "status/Rtu6Status.h"

namespace {

struct TCurrentData {
    TRtu6Status Status;
    TRtu6TimeTable TimeTable;
    TRtu6ThemesCRC PlanStatus;
    TRtu6TimeStatusTable WorkTable;
    TRtu6Parameters Parameters;
};

TCurrentData& Data() {
    static TCurrentData data;
    return data;
}

}  // namespace

TRtu6Status& CurrentStatus() {
    return Data().Status;
}
TRtu6TimeTable& CurrentTimeTable() {
    return Data().TimeTable;
}
TRtu6ThemesCRC& CurrentPlanStatus() {
    return Data().PlanStatus;
}
TRtu6TimeStatusTable& CurrentWorkTable() {
    return Data().WorkTable;
}
TRtu6Parameters& CurrentParameters() {
    return Data().Parameters;
}

void ClearCurrentData() {
    Data().Status.Clear();
    Data().TimeTable.Clear();
    Data().PlanStatus.Clear();
    Data().WorkTable = TRtu6TimeStatusTable();
    Data().Parameters = TRtu6Parameters();
}
