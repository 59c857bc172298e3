#pragma once
// Where the store hands commands to: the sender thread's queue, while one runs.

#include <string>

#include "protocol/ByteUtils.h"

class TTaskSink {
public:
    virtual ~TTaskSink() = default;
    virtual void AddTask(int item, const std::string& caption, bool waitReply, bool isWrite,
                         const TBytes& frameText) = 0;
};

// The running sender, or nullptr; set and cleared by the sender's start and stop.
TTaskSink* CurrentTaskSink();
void SetTaskSink(TTaskSink* sink);
