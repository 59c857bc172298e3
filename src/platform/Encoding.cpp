#include "platform/Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

// How many bytes at the start of a sequence iconv refused stand for one character, so that
// the character becomes a single '?'. Always at least 1, never more than left.
using SkipFunction = size_t (*)(const unsigned char* bytes, size_t left);

bool IsUtf8Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// A character GBK cannot hold (an emoji) is skipped whole; a cut-off or broken sequence as
// far as it goes.
size_t Utf8Skip(const unsigned char* bytes, size_t left) {
    const unsigned char lead = bytes[0];
    const size_t length = lead >= 0xF8   ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 1;
    size_t count = 1;
    while (count < length && count < left && IsUtf8Continuation(bytes[count])) ++count;
    return count;
}

bool IsGbkLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
bool IsGbkTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// A well-formed but unassigned pair is skipped whole: skipping its lead alone would pair the
// trail byte with the next character and garble the rest of the text.
size_t GbkSkip(const unsigned char* bytes, size_t left) {
    return left >= 2 && IsGbkLead(bytes[0]) && IsGbkTrail(bytes[1]) ? 2 : 1;
}

// One converter per direction and thread: iconv_t keeps shift state and is not thread-safe.
class Converter {
public:
    Converter(const char* to, const char* from, SkipFunction skip)
        : Handle_(iconv_open(to, from)), Skip_(skip) {
        if (Handle_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(Handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string Convert(std::string_view input) {
        iconv(Handle_, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
        std::string out;
        out.reserve(input.size() * 2);
        std::string in(input);
        char* inPtr = in.data();
        size_t inLeft = in.size();
        char buffer[256];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            size_t rc = iconv(Handle_, &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = errno;  // append may allocate and change errno
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (rc != static_cast<size_t>(-1) || error == E2BIG) continue;
            // An invalid, unconvertible or cut-off sequence: one '?' for it, then go on.
            out.push_back('?');
            const size_t skip = Skip_(reinterpret_cast<const unsigned char*>(inPtr), inLeft);
            inPtr += skip;
            inLeft -= skip;
            iconv(Handle_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t Handle_;
    SkipFunction Skip_;
};

bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    thread_local Converter converter("UTF-8", "GBK", GbkSkip);
    return converter.Convert(gbk);
}

std::string Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    thread_local Converter converter("GBK", "UTF-8", Utf8Skip);
    return converter.Convert(utf8);
}

int GbkWidth(std::string_view utf8) {
    return static_cast<int>(Utf8ToGbk(utf8).size());
}

std::string PadToGbkWidth(std::string_view utf8, int width) {
    std::string result(utf8);
    int missing = width - GbkWidth(utf8);
    if (missing > 0) result.append(static_cast<size_t>(missing), ' ');
    return result;
}
