#include "comm/ModeTiming.h"

std::atomic<int> ReplyTimeout{kDirectReplyTimeout};
std::atomic<int> SendGap{kDirectSendGap};
std::atomic<bool> RemoteMode{false};

void UseDirectModeTiming() {
    ReplyTimeout = kDirectReplyTimeout;
    SendGap = kDirectSendGap;
    RemoteMode = false;
}

void UseRemoteModeTiming() {
    ReplyTimeout = kRemoteReplyTimeout;
    SendGap = kRemoteSendGap;
    RemoteMode = true;
}
