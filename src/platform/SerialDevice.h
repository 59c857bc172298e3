#pragma once
// Serial devices on termios: opened non-blocking and for this program alone, raw bytes, read
// and written without ever waiting on the line. The port names the operators know ("COM1:")
// map onto the device files of this system.

#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The line settings as the settings file keeps them.
struct TSerialLine {
    int BaudRate = 9600;
    int ByteSize = 8;  // 5..8
    int StopBits = 0;  // 0 one, 1 one and a half (two here), 2 two
    int Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
};

// The device file of a port name: "COMn", "COMn:" and "\\.\COMn" (any case) are
// /dev/ttyS(n-1); a name beginning with "/" is the path itself. nullopt for anything else.
std::optional<std::string> SerialDevicePath(const std::string& portName);

// Why a device cannot take these settings (an unknown baud rate, a byte size outside 5..8, a
// stop bits or parity code that does not exist), nullopt when it can.
std::optional<std::string> SerialLineProblem(const TSerialLine& line);
// Raw bytes (no echo, no translation, no flow control) with the given valid settings.
void SetSerialLine(termios& tio, const TSerialLine& line);

class SerialDevice {
public:
    SerialDevice() = default;
    ~SerialDevice() { Close(); }
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;
    SerialDevice(SerialDevice&& other) noexcept;
    SerialDevice& operator=(SerialDevice&& other) noexcept;

    // Opens the device of a port name for reading and writing, exclusively, and configures the
    // line; DTR is raised (a device without modem lines is fine). On failure the device stays
    // closed and Error() says why.
    bool Open(const std::string& portName, const TSerialLine& line);
    void Close();
    bool IsOpen() const { return Fd_ >= 0; }
    int Fd() const { return Fd_; }
    // Gives up ownership of the descriptor (the caller closes it with CloseSerialFd).
    int Release();
    const std::string& Error() const { return Error_; }

private:
    int Fd_ = -1;
    std::string Error_;
};

// Non-blocking transfers on an open descriptor. Read: the count read, 0 when nothing is
// there, -1 when the device failed or its other end has gone. Write: the count written (it
// may be less than asked, 0 when the device takes nothing now), -1 on failure.
ssize_t ReadSerial(int fd, void* buffer, size_t size);
ssize_t WriteSerial(int fd, const void* bytes, size_t size);
void CloseSerialFd(int fd);

// The serial devices in a device folder (/dev): ttyS* that answer as serial ports, ttyUSB*,
// ttyACM*, ttyAMA*, rfcomm*; full paths in natural order (ttyS2 before ttyS10).
std::vector<std::string> ListSerialDevices(const std::string& deviceFolder = "/dev");
// Orders names with their digit runs compared as numbers.
bool NaturalLess(const std::string& a, const std::string& b);
