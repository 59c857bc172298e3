#include "sim/FrameLog.h"

#include "platform/Clock.h"
#include "protocol/Catalogue.h"

namespace {

std::string Stamp() {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", Now());
}

// The item name of a frame with a one-byte address.
std::string ItemOf(const TBytes& frame) {
    return frame.size() > 5 ? CatalogueName(ByteAt(frame, 5)) : kUnknownItemName;
}

}  // namespace

std::string TFrameLog::FrameLine(const std::string& direction, const TBytes& frame) {
    return Stamp() + " " + direction + " " + ItemOf(frame) + " " + BytesToHexText(frame);
}

void TFrameLog::Frame(const char* direction, const TBytes& frame) {
    Write(FrameLine(direction, frame));
}

void TFrameLog::Note(const std::string& text) {
    Write(Stamp() + " -- " + text);
}

void TFrameLog::Write(const std::string& line) {
    std::lock_guard<std::mutex> lock(Lock_);
    Out_ << line << '\n';
    Out_.flush();
}
