#pragma once
// A store that keeps the tasks posted to it, put in place as the global store for the
// lifetime of the object.

#include <string>
#include <vector>

#include "stations/DataIntf.h"

struct TPostedTask {
    int TaskKind;
    int RtuAddress;
    TDateTime Created;
    TDateTime Deadline;
    int Item;
    bool IsWrite;
    TBytes FrameText;
    bool WaitReply;
    std::string Caption;
};

class RecordingStore : public TIData {
public:
    RecordingStore() : Previous_(GlobalStore()) { SetGlobalStore(this); }
    ~RecordingStore() override { SetGlobalStore(Previous_); }

    bool OpenQuery(TDataSet*& dataSet) override {
        dataSet = nullptr;
        return false;
    }
    void CloseQuery(TDataSet*) override {}
    bool ExecSql(const std::string&) override { return false; }
    bool IsReady() const override { return true; }
    void PostTask(int taskKind, int rtuAddress, TDateTime created, TDateTime deadline, int item,
                  bool isWrite, const TBytes& frameText, bool waitReply,
                  const std::string& caption) override {
        Tasks.push_back({taskKind, rtuAddress, created, deadline, item, isWrite, frameText,
                         waitReply, caption});
    }

    std::vector<TPostedTask> Tasks;

private:
    TIData* Previous_;
};
