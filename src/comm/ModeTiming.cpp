#include "comm/ModeTiming.h"

std::atomic<int> ReplyTimeout{kDirectReplyTimeout};
std::atomic<int> SendGap{kDirectSendGap};

void UseDirectModeTiming() {
    ReplyTimeout = kDirectReplyTimeout;
    SendGap = kDirectSendGap;
}

void UseRemoteModeTiming() {
    ReplyTimeout = kRemoteReplyTimeout;
    SendGap = kRemoteSendGap;
}
