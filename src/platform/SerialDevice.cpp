#include "platform/SerialDevice.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// "COMn" with n a number from 1 up, nullopt for anything else.
std::optional<int> ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 7 || name.compare(0, 3, "COM") != 0) return std::nullopt;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
        n = n * 10 + (name[i] - '0');
    }
    if (n < 1) return std::nullopt;
    return n;
}

struct TBaud {
    int Rate;
    speed_t Code;
};

constexpr TBaud kBauds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000},
};

std::optional<speed_t> BaudCode(int rate) {
    for (const TBaud& baud : kBauds)
        if (baud.Rate == rate) return baud.Code;
    return std::nullopt;
}

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

std::optional<std::string> SerialLineProblem(const TSerialLine& line) {
    if (!BaudCode(line.BaudRate)) return "unsupported baud rate " + std::to_string(line.BaudRate);
    if (line.ByteSize < 5 || line.ByteSize > 8)
        return "unsupported byte size " + std::to_string(line.ByteSize);
    if (line.StopBits < 0 || line.StopBits > 2)
        return "unsupported stop bits code " + std::to_string(line.StopBits);
    if (line.Parity < 0 || line.Parity > 4)
        return "unsupported parity code " + std::to_string(line.Parity);
#ifndef CMSPAR
    if (line.Parity >= 3) return "mark and space parity are not available";
#endif
    return std::nullopt;
}

void SetSerialLine(termios& tio, const TSerialLine& line) {
    if (SerialLineProblem(line)) return;
    const speed_t baud = *BaudCode(line.BaudRate);
    cfmakeraw(&tio);
    cfsetispeed(&tio, baud);
    cfsetospeed(&tio, baud);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | kSizes[line.ByteSize - 5];
    tio.c_cflag |= CREAD | CLOCAL;
    tio.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB | PARODD);
    // One and a half stop bits do not exist here; two is the nearer safe choice.
    if (line.StopBits != 0) tio.c_cflag |= CSTOPB;
#ifdef CMSPAR
    tio.c_cflag &= ~CMSPAR;
#endif
    switch (line.Parity) {
        case 1:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            tio.c_cflag |= PARENB;
            break;
#ifdef CMSPAR
        case 3:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case 4:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
#endif
        default:
            break;
    }
    // VMIN 1: a read of 0 bytes then means the other end has gone, not "nothing yet".
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

namespace {

bool IsListedPrefix(const std::string& name) {
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyAMA", "rfcomm"})
        if (name.rfind(prefix, 0) == 0 && name.size() > std::strlen(prefix)) return true;
    return false;
}

// A ttyS device file exists for every possible port; only those with hardware behind answer.
bool AnswersAsSerialPort(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool answers = false;
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0) {
        answers = info.type != PORT_UNKNOWN;
    } else {
        termios tio{};
        answers = ::tcgetattr(fd, &tio) == 0;
    }
    ::close(fd);
    return answers;
}

}  // namespace

std::optional<std::string> SerialDevicePath(const std::string& portName) {
    if (!portName.empty() && portName[0] == '/') return portName;
    std::string name = Upper(portName);
    if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
    if (!name.empty() && name.back() == ':') name.pop_back();
    const std::optional<int> n = ComNumber(name);
    if (!n) return std::nullopt;
    return "/dev/ttyS" + std::to_string(*n - 1);
}

SerialDevice::SerialDevice(SerialDevice&& other) noexcept
    : Fd_(std::exchange(other.Fd_, -1)), Error_(std::move(other.Error_)) {}

SerialDevice& SerialDevice::operator=(SerialDevice&& other) noexcept {
    if (this != &other) {
        Close();
        Fd_ = std::exchange(other.Fd_, -1);
        Error_ = std::move(other.Error_);
    }
    return *this;
}

bool SerialDevice::Open(const std::string& portName, const TSerialLine& line) {
    Close();
    Error_.clear();
    const std::optional<std::string> path = SerialDevicePath(portName);
    if (!path) {
        Error_ = "not a port name: " + portName;
        return false;
    }
    if (std::optional<std::string> reason = SerialLineProblem(line)) {
        Error_ = *path + ": " + *reason;
        return false;
    }
    const int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Error_ = ErrnoText(*path);
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        Error_ = ErrnoText(*path + " is not a serial device");
        ::close(fd);
        return false;
    }
    // TIOCEXCL keeps other programs out; the lock also holds against a privileged one and
    // against a second open in this process.
    if (::ioctl(fd, TIOCEXCL) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        Error_ = ErrnoText(*path + " is in use");
        ::close(fd);
        return false;
    }
    SetSerialLine(tio, line);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        Error_ = ErrnoText(*path + ": line settings refused");
        ::close(fd);
        return false;
    }
    // Devices without modem lines (pseudo-terminals, some adapters) refuse this; that is fine.
    const int dtr = TIOCM_DTR;
    (void)::ioctl(fd, TIOCMBIS, &dtr);
    Fd_ = fd;
    return true;
}

void SerialDevice::Close() {
    CloseSerialFd(std::exchange(Fd_, -1));
}

int SerialDevice::Release() {
    return std::exchange(Fd_, -1);
}

ssize_t ReadSerial(int fd, void* buffer, size_t size) {
    if (fd < 0) return -1;
    const ssize_t n = ::read(fd, buffer, size);
    if (n > 0) return n;
    if (n == 0) return -1;  // hung up
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

ssize_t WriteSerial(int fd, const void* bytes, size_t size) {
    if (fd < 0) return -1;
    if (size == 0) return 0;
    const ssize_t n = ::write(fd, bytes, size);
    if (n >= 0) return n;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

void CloseSerialFd(int fd) {
    if (fd >= 0) ::close(fd);
}

bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = std::isdigit(static_cast<unsigned char>(a[i]));
        const bool digitB = std::isdigit(static_cast<unsigned char>(b[j]));
        if (digitA && digitB) {
            size_t endA = i, endB = j;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA]))) ++endA;
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB]))) ++endB;
            // Compare the runs as numbers without converting: drop leading zeros, then the
            // longer run is larger, equal lengths compare as text.
            size_t startA = i, startB = j;
            while (startA + 1 < endA && a[startA] == '0') ++startA;
            while (startB + 1 < endB && b[startB] == '0') ++startB;
            const std::string_view runA(a.data() + startA, endA - startA);
            const std::string_view runB(b.data() + startB, endB - startB);
            if (runA.size() != runB.size()) return runA.size() < runB.size();
            if (runA != runB) return runA < runB;
            i = endA;
            j = endB;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> ListSerialDevices(const std::string& deviceFolder) {
    std::vector<std::string> paths;
    DIR* dir = ::opendir(deviceFolder.c_str());
    if (!dir) return paths;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const std::string path = deviceFolder + "/" + name;
        const bool isTtyS = name.rfind("ttyS", 0) == 0 && name.size() > 4;
        if (IsListedPrefix(name) || (isTtyS && AnswersAsSerialPort(path))) paths.push_back(path);
    }
    ::closedir(dir);
    std::sort(paths.begin(), paths.end(), NaturalLess);
    return paths;
}
