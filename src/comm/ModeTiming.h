#pragma once
// How long the sender waits for a reply and how long it keeps quiet between commands: short
// on the cable, long over GPRS. Read by the sender thread, set by the main window.

#include <atomic>

inline constexpr int kDirectReplyTimeout = 5000;  // ms
inline constexpr int kRemoteReplyTimeout = 15000;
inline constexpr int kDirectSendGap = 0;
inline constexpr int kRemoteSendGap = 3000;

extern std::atomic<int> ReplyTimeout;  // ms
extern std::atomic<int> SendGap;       // ms

// The control mode the communications work in (remote: GPRS through the UDP server); set
// together with the timings when the window changes the mode.
extern std::atomic<bool> RemoteMode;
inline bool IsRemoteMode() {
    return RemoteMode.load();
}

void UseDirectModeTiming();
void UseRemoteModeTiming();
