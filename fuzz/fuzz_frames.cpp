// Arbitrary received bytes through the frame checks of both address widths, with and
// without time stamp. Besides the sanitizers, the invariants below must hold for any input.

#include <cstdint>
#include <cstdlib>

#include "protocol/Rtu6Class.h"
#include "protocol/WireScrambling.h"
#include "support/FrameSessions.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

template <typename Session>
void Check(const Session& session, const TBytes& first, const TBytes& second) {
    for (const TBytes* frame : {&first, &second}) {
        const int item = Session::ReplyItem(*frame);
        const int kind = Session::ReplyKind(*frame);
        Require(item == 254 || TRtu6::ItemName(item) != "未知");
        Require(item != 254 || kind == 0);
        (void)Session::ReplySourceAddress(*frame);
        (void)Session::IsReadReply(*frame);
        (void)TRtu6::CheckCrc(*frame);
        int n = 0, i = 0;
        if (session.GetPacketNumbers(*frame, n, i)) Require(n >= i && i >= 1);
        Require(session.IsLastPacket(*frame) == (session.GetPacketNumbers(*frame, n, i) && n == i));
        (void)session.ReplyTime(*frame);
        Require(session.PayloadOf(*frame).size() <= frame->size());
        (void)session.RefreshTimeStamp(item, *frame);
        (void)TRtu6::DecodeBcdDateTime(frame->substr(0, 7));
    }
    (void)Session::ReplyMatchesRequest(first, second);
    const TBytes merged = session.MergePackets(first, second);
    if (!merged.empty()) {
        Require(Session::ReplyItem(merged) == Session::ReplyItem(second));
        Require(TRtu6::CheckCrc(merged));
        Require(session.PayloadOf(merged) == session.PayloadOf(first) + session.PayloadOf(second));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const TBytes input(reinterpret_cast<const char*>(data), size);
    const TBytes plain = UnscrambleReceived(input);
    Require(plain.size() == input.size());
    // The first byte chooses where the input splits into two frames for joining.
    const size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    const TBytes first = plain.substr(0, cut), second = plain.substr(cut);

    Check(TRtu6(5, nullptr, ""), plain, first);
    Check(TRtu6(5, nullptr, ""), first, second);
    Check(StampedRtu6(5, nullptr, ""), first, second);
    Check(StampedRtu6(5, nullptr, ""), plain, plain);
    Check(TRtu61(0x1234, nullptr, ""), first, second);
    Check(UnstampedRtu61(0x1234, nullptr, ""), first, second);
    for (int kind : {3, 5, 6, 11}) Require(ScrambleForSend(plain, kind).size() == plain.size());
    return 0;
}
