#pragma once
// Scrambling at the transport boundary: frames are scrambled just before they leave the PC
// and unscrambled as soon as they arrive; everything between works on plain frames.

#include "protocol/ByteUtils.h"

// Scrambles a bare frame with the key of its destination, by the session's protocol kind
// (5: one-byte address; 3, 6, 11: two-byte address). Any other kind, or 4 bytes or fewer:
// unchanged.
TBytes ScrambleForSend(const TBytes& frame, int protocolKind);

// Unscrambles received bytes with the key of their source address: first as a one-byte
// address frame, then as a two-byte one; the input itself when neither gives a frame.
TBytes UnscrambleReceived(const TBytes& bytes);
