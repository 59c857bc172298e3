#pragma once
// The local store: stations, saved schedules and places, and the door through which every
// controller command leaves the program (PostTask).

#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

// A database query object; the INI store lends none.
class TDataSet;

inline constexpr const char* kNoStoreMessage = "无法连接到数据库.";

// Task kinds the sessions pass with their commands.
inline constexpr int kTaskRead = 9;
inline constexpr int kTaskWrite = 10;
inline constexpr int kTaskCenterPhone = 13;

class TIData {
public:
    virtual ~TIData() = default;

    virtual bool OpenQuery(TDataSet*& dataSet) = 0;
    virtual void CloseQuery(TDataSet* dataSet) = 0;
    virtual bool ExecSql(const std::string& statement) = 0;
    virtual bool IsReady() const = 0;
    // Hands a command to the sender thread. Kind, address, creation time and deadline are
    // the session's bookkeeping; the sender uses the rest.
    virtual void PostTask(int taskKind, int rtuAddress, TDateTime created, TDateTime deadline,
                          int item, bool isWrite, const TBytes& frameText, bool waitReply,
                          const std::string& caption) = 0;
    virtual void Reserved() {}
};

// The program-wide store; nullptr until start-up has created it.
TIData* GlobalStore();
void SetGlobalStore(TIData* store);
// The global store, or TCheckError "无法连接到数据库." when there is none.
TIData& RequireStore();
