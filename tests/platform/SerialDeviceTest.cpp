#include "platform/SerialDevice.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/PtyPair.h"
#include "support/TempDir.h"

namespace {

TEST(SerialDevicePath, MapsThePortNamesOfTheSettings) {
    struct Case {
        const char* Name;
        std::optional<std::string> Path;
    };
    const Case cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM1:", "/dev/ttyS0"},
        {"com3:", "/dev/ttyS2"},
        {"\\\\.\\COM3", "/dev/ttyS2"},
        {"\\\\.\\com12:", "/dev/ttyS11"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/pts/7", "/dev/pts/7"},
        {"COM0", std::nullopt},
        {"COM", std::nullopt},
        {"COM:", std::nullopt},
        {"COM1x", std::nullopt},
        {"LPT1", std::nullopt},
        {"ttyUSB0", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(SerialDevicePath(c.Name), c.Path) << c.Name;
}

termios LineOf(int fd) {
    termios tio{};
    EXPECT_EQ(::tcgetattr(fd, &tio), 0);
    return tio;
}

struct LineCase {
    TSerialLine Line;
    speed_t Speed;
    tcflag_t Size;
    tcflag_t ParityBits;  // of PARENB | PARODD | CMSPAR
    bool TwoStopBits;
};
const LineCase kLineCases[] = {
    {{9600, 8, 0, 0}, B9600, CS8, 0, false},
    {{115200, 7, 2, 1}, B115200, CS7, PARENB | PARODD, true},
    {{1200, 5, 1, 2}, B1200, CS5, PARENB, true},  // one and a half: two
    {{19200, 6, 0, 3}, B19200, CS6, PARENB | PARODD | CMSPAR, false},
    {{4800, 8, 0, 4}, B4800, CS8, PARENB | CMSPAR, false},
};

void ExpectRaw(const termios& tio) {
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(tio.c_cflag & CREAD, 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST(SerialLine, SettingsBecomeTheTermiosOfARawLine) {
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(c.Line.BaudRate);
        // Start from a cooked line with the opposite bits set.
        termios tio{};
        tio.c_lflag = ICANON | ECHO | ISIG;
        tio.c_iflag = IXON | ICRNL;
        tio.c_oflag = OPOST;
        tio.c_cflag = CS8 | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;
        SetSerialLine(tio, c.Line);
        EXPECT_EQ(cfgetospeed(&tio), c.Speed);
        EXPECT_EQ(cfgetispeed(&tio), c.Speed);
        EXPECT_EQ(tio.c_cflag & CSIZE, c.Size);
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.ParityBits);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.TwoStopBits);
        ExpectRaw(tio);
    }
}

TEST(SerialDevice, OpensAPseudoTerminalWithTheLineSet) {
    // A pseudo-terminal keeps speed, stop bits and the raw mode (it always has 8 data bits and
    // no parity, so those are checked on the termios alone, above).
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(c.Line.BaudRate);
        PtyPair pty;
        SerialDevice device;
        ASSERT_TRUE(device.Open(pty.SlavePath(), c.Line)) << device.Error();
        const termios tio = LineOf(device.Fd());
        EXPECT_EQ(cfgetospeed(&tio), c.Speed);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.TwoStopBits);
        ExpectRaw(tio);
        EXPECT_NE(::fcntl(device.Fd(), F_GETFL) & O_NONBLOCK, 0);
    }
}

TEST(SerialDevice, RefusesWhatItCannotOpenAndSaysWhy) {
    PtyPair pty;
    TempDir dir;
    dir.Write("plain", "x");
    struct Case {
        std::string Name;
        TSerialLine Line;
        std::string Reason;  // part of the error text
    };
    const Case cases[] = {
        {pty.SlavePath(), {12345, 8, 0, 0}, "baud rate 12345"},
        {pty.SlavePath(), {9600, 9, 0, 0}, "byte size 9"},
        {pty.SlavePath(), {9600, 4, 0, 0}, "byte size 4"},
        {pty.SlavePath(), {9600, 8, 3, 0}, "stop bits"},
        {pty.SlavePath(), {9600, 8, 0, 5}, "parity"},
        {"LPT1", {}, "not a port name"},
        {dir / "missing", {}, "missing"},
        {dir / "plain", {}, "not a serial device"},
    };
    for (const Case& c : cases) {
        SerialDevice device;
        EXPECT_FALSE(device.Open(c.Name, c.Line)) << c.Name;
        EXPECT_FALSE(device.IsOpen());
        EXPECT_NE(device.Error().find(c.Reason), std::string::npos) << device.Error();
    }
}

TEST(SerialDevice, IsOpenedExclusively) {
    PtyPair pty;
    SerialDevice first, second;
    ASSERT_TRUE(first.Open(pty.SlavePath(), {}));
    EXPECT_FALSE(second.Open(pty.SlavePath(), {}));
    EXPECT_NE(second.Error().find("in use"), std::string::npos) << second.Error();
    first.Close();
    EXPECT_TRUE(second.Open(pty.SlavePath(), {})) << second.Error();
}

TEST(SerialDevice, ReadsWithoutWaiting) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath(), {}));
    char buffer[4];
    EXPECT_EQ(ReadSerial(device.Fd(), buffer, sizeof buffer), 0);  // nothing there: at once

    pty.Write(TBytes("\xFA\x00\x0D\x0A\x11\x13", 6));  // no byte is translated or swallowed
    TBytes got;
    for (int i = 0; i < 300 && got.size() < 6; ++i) {
        const ssize_t n = ReadSerial(device.Fd(), buffer, sizeof buffer);
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 4);  // never more than asked
        got.append(buffer, static_cast<size_t>(n));
        if (n == 0) ::usleep(1000);
    }
    EXPECT_EQ(got, TBytes("\xFA\x00\x0D\x0A\x11\x13", 6));

    pty.CloseMaster();
    EXPECT_EQ(ReadSerial(device.Fd(), buffer, sizeof buffer), -1);
    EXPECT_EQ(ReadSerial(-1, buffer, sizeof buffer), -1);
}

TEST(SerialDevice, WritesWhatTheDeviceTakesAndNoMore) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath(), {}));
    const std::string chunk(1000, 'x');
    // The master does not read: the device's buffer fills; a write never blocks.
    std::vector<ssize_t> counts;
    for (int i = 0; i < 1000; ++i) {
        counts.push_back(WriteSerial(device.Fd(), chunk.data(), chunk.size()));
        if (counts.back() == 0) break;
    }
    ASSERT_EQ(counts.back(), 0) << "the buffer never filled";
    EXPECT_TRUE(std::all_of(counts.begin(), counts.end(), [](ssize_t n) { return n >= 0; }));
    size_t total = 0;
    for (ssize_t n : counts) total += static_cast<size_t>(n);
    EXPECT_EQ(pty.ReadAtLeast(total).size(), total);  // every byte counted reached the other end

    pty.CloseMaster();
    EXPECT_EQ(WriteSerial(device.Fd(), chunk.data(), chunk.size()), -1);
}

TEST(SerialDeviceList, ListsSerialDevicesInNaturalOrder) {
    TempDir dev;
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "rfcomm1", "ttyAMA0", "tty1",
                             "ttyS0", "console", "ttyUSB", "null"})
        dev.Write(name, "");
    // A ttyS file without a serial port behind it (here a plain file) is not listed.
    const std::vector<std::string> expected = {dev / "rfcomm1", dev / "ttyACM0", dev / "ttyAMA0",
                                               dev / "ttyUSB2", dev / "ttyUSB10"};
    EXPECT_EQ(ListSerialDevices(dev.Path()), expected);
    EXPECT_TRUE(ListSerialDevices(dev / "missing").empty());
}

TEST(SerialDeviceList, NaturalOrder) {
    const std::vector<std::string> sorted = {"",       "a",       "ttyS1",   "ttyS2",
                                             "ttyS10", "ttyS10a", "ttyS100", "ttyUSB0"};
    for (size_t i = 0; i < sorted.size(); ++i)
        for (size_t j = 0; j < sorted.size(); ++j)
            EXPECT_EQ(NaturalLess(sorted[i], sorted[j]), i < j) << sorted[i] << " " << sorted[j];
}

}  // namespace
