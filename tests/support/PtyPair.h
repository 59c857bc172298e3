#pragma once
// A pseudo-terminal pair for serial tests: the test plays the controller on the master end,
// and the program opens the slave by its path, as it would open a cable port.

#include <string>

#include "protocol/ByteUtils.h"

class PtyPair {
public:
    // Fails the test when no pair can be made.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // What the program opens.
    const std::string& SlavePath() const { return SlavePath_; }
    int MasterFd() const { return Master_; }

    // The controller's side: writes all bytes (blocking).
    void Write(const TBytes& bytes) const;
    // What has arrived at the master within `timeoutMs`, until at least `count` bytes are there.
    TBytes ReadAtLeast(size_t count, int timeoutMs = 3000) const;
    // Everything waiting at the master now, without waiting.
    TBytes ReadAvailable() const;
    // The other end goes away: the master is closed (the slave then reads as hung up).
    void CloseMaster();

private:
    int Master_ = -1;
    // Kept open so that the pair lives on while the program closes and reopens the slave.
    int SlaveKeeper_ = -1;
    std::string SlavePath_;
};

// Received bytes waiting on a terminal descriptor that nobody has read yet (FIONREAD).
int UnreadBytes(int fd);
