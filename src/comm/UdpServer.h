#pragma once
// The GPRS UDP server of remote mode: terminals register with their device identifier and
// carry controller frames in envelopes. Receiving runs on the main thread (the socket is
// watched through the main-thread bridge); received frames go into slot 1's input list for
// the sender thread, exactly as frames from the serial reader do.

#include <string>

#include "protocol/ByteUtils.h"

// Binds the server to ServerPort on all local addresses and starts the sender.
bool StartUdpLink();
void StopUdpServer();
bool UdpServerActive();
// The port the server is bound to (0 when inactive); with ServerPort 0 the system picks one.
int UdpServerPort();

// One received datagram (remote mode only).
void HandleDatagram(const TBytes& bytes, const std::string& senderAddress, int senderPort);
// Main thread, for the sender: sends the frame text's frame to its route. Returns the
// sender's new status text: empty when sent, else the failure text.
std::string SendGprsDatagram(const TBytes& frameText);
