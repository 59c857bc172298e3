#include "stations/DataIntf.h"

#include <atomic>

#include "platform/CheckError.h"

namespace {
std::atomic<TIData*> gStore{nullptr};
}

TIData* GlobalStore() {
    return gStore.load();
}
void SetGlobalStore(TIData* store) {
    gStore.store(store);
}

TIData& RequireStore() {
    TIData* store = gStore.load();
    if (store == nullptr) RaiseError(kNoStoreMessage);
    return *store;
}
