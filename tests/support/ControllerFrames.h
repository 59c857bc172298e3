#pragma once
// Frames as a controller sends them, built independently of the session's own builders so
// that tests of the receive path do not lean on the code under test.

#include <initializer_list>
#include <string>

#include "protocol/ByteUtils.h"

namespace testing_frames {

// Bytes from a hex text such as "FA 00 05"; fails the test on a bad text.
TBytes Hex(const std::string& text);
std::string HexOf(const TBytes& bytes);

// A reply from the controller at `addressBytes` (1 or 2 bytes) to the PC:
// FA addr 00 kind L item [stamp] n i data CRC.
TBytes ControllerReply(const TBytes& addressBytes, int kind, int item, const TBytes& stamp, int n,
                       int i, const TBytes& data);

// Seven BCD bytes for a date and time.
TBytes BcdStamp(int year, int month, int day, int hour, int minute, int second);

}  // namespace testing_frames
