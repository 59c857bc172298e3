#include "comm/TaskSink.h"

#include <atomic>

namespace {
std::atomic<TTaskSink*> gSink{nullptr};
}

TTaskSink* CurrentTaskSink() {
    return gSink.load();
}
void SetTaskSink(TTaskSink* sink) {
    gSink.store(sink);
}
