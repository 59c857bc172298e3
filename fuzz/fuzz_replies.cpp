// Arbitrary replies through the session's reply entry: each input is cut into packets of any
// catalogued item, built into frames for sessions of both address widths, with and without
// time stamp, and parsed one after the other (so that packets are joined too). Raw input is
// parsed as a frame as well. Nothing may crash or raise.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/Paths.h"
#include "protocol/Catalogue.h"
#include "protocol/CurrentData.h"
#include "protocol/Frame.h"
#include "protocol/Rtu6Class.h"
#include "stations/Station6Class.h"
#include "support/FrameSessions.h"
#include "support/RecordingStore.h"

namespace {

struct TFixture {
    TFixture() {
        const auto folder = std::filesystem::temp_directory_path() / "fuzz_replies";
        std::filesystem::create_directories(folder);
        Program = std::make_unique<TScopedProgramFolder>(folder.string());
        Station.SetStreetLampMask(0x0003);
    }
    std::unique_ptr<TScopedProgramFolder> Program;
    RecordingStore Store;
    TStation6Test Station;
    StampedRtu6 Stamped{1, &Station, ""};
    TRtu61 TwoByte{0x0101, &Station, ""};
};

TFixture& Fixture() {
    static TFixture fixture;
    return fixture;
}

TBytes ReplyFrame(const TRtu6& session, int kind, int item, bool stamp, int n, int i,
                  const TBytes& data) {
    TBytes body(1, static_cast<char>(item));
    if (stamp) body += Frame::BcdTimeStamp(EncodeDateTime(2025, 3, 5, 10, 0, 0));
    body.push_back(static_cast<char>(n));
    body.push_back(static_cast<char>(i));
    body += data;
    TBytes frame = "\xFA" + session.AddressBytes() + TBytes(1, '\0');
    frame.push_back(static_cast<char>(kind));
    frame.push_back(static_cast<char>((body.size() + 2) & 0xFF));
    frame += body;
    Frame::AppendCrc(frame);
    return frame;
}

// Packets: [item index] [control] [length] [data...], repeated.
void ParsePackets(TRtu6& session, const TBytes& input) {
    const auto& items = CatalogueEntries();
    size_t at = 0;
    while (at + 3 <= input.size()) {
        const int item = items[ByteAt(input, at) % items.size()].Id;
        const std::uint8_t control = ByteAt(input, at + 1);
        const size_t length = std::min<size_t>(ByteAt(input, at + 2), input.size() - at - 3);
        const TBytes data = input.substr(at + 3, length);
        at += 3 + length;
        const int n = (control & 3) + 1;
        const int i = ((control >> 2) & 3) % n + 1;
        const int kind = control & 0x80 ? Frame::kWriteKind : Frame::kReadKind;
        const bool accepted =
            session.ParseReply(ReplyFrame(session, kind, item, session.HasTimeStamp(), n, i, data));
        if (kind == Frame::kWriteKind && !accepted) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
    TFixture& f = Fixture();
    const TBytes input(reinterpret_cast<const char*>(bytes), size);
    for (TRtu6* session : {static_cast<TRtu6*>(f.Station.Rtu(1)), static_cast<TRtu6*>(&f.Stamped),
                           static_cast<TRtu6*>(&f.TwoByte)}) {
        (void)session->ParseReply(input);
        ParsePackets(*session, input);
    }
    f.Store.Tasks.clear();
    return 0;
}
