#pragma once
// The transports as a whole, as the main window starts and stops them.

// Direct-cable mode: opens slot 1 with the port settings and starts reader, writer and sender.
bool StartSerialLink();
// The road of the control mode; on failure everything is stopped again.
bool StartLink();
// Stops the threads, closes every slot and stops the UDP server, under the wait message.
void StopLinks();
