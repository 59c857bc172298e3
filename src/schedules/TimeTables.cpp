#include "schedules/TimeTables.h"

#include <utility>

namespace {

constexpr int kLists = 5;

}  // namespace

// ---- TRtuTimeTable -----------------------------------------------------------------------

void TRtuTimeTable::Clear() {
    Updated = 0;
    CurrentDateTime = 0;
}

bool TRtuTimeTable::SameMinuteOfDay(TDateTime a, TDateTime b) {
    return FormatDateTime("hhnn", a) == FormatDateTime("hhnn", b);
}

bool TRtuTimeTable::SameMinuteOfYear(TDateTime a, TDateTime b) {
    return FormatDateTime("mmddhhnn", a) == FormatDateTime("mmddhhnn", b);
}

// ---- TRtu6TimeTable ----------------------------------------------------------------------

TRtu6ActionTable& TRtu6TimeTable::List(int i) {
    return const_cast<TRtu6ActionTable&>(std::as_const(*this).List(i));
}

const TRtu6ActionTable& TRtu6TimeTable::List(int i) const {
    switch (i) {
        case 0:
            return Ordinary_;
        case 1:
            return Weekend_;
        case 2:
            return Holiday_;
        case 3:
            return Temporary_;
        default:
            return TempOnOff_;
    }
}

void TRtu6TimeTable::Clear() {
    TRtuTimeTable::Clear();
    RtuWeek = 0;
    CurrentThemeId = kNoTheme;
    Ordinary_ = TRtu6ActionTable();
    Weekend_ = TRtu6ActionTable();
    Holiday_ = TRtu6ActionTable();
    Temporary_ = TRtu6CustomActionTable();
    TempOnOff_ = TRtu6TempActionTable();
}

void TRtu6TimeTable::AssignTo(TIDataObj& target) const {
    if (auto* table = dynamic_cast<TRtu6TimeTable*>(&target)) *table = *this;
}

bool TRtu6TimeTable::LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops) {
    return bytes.size() >= kLists && LoadListParts(*this, bytes, kLists, streetLampLoops);
}

TBytes TRtu6TimeTable::Encode() const {
    TBytes counts, parts;
    for (int i = 0; i < kLists; ++i) {
        int count = 0;
        parts += ListPart(List(i), count);
        counts.push_back(static_cast<char>(count));
    }
    return counts + parts;
}

bool LoadListParts(TRtu6TimeTable& table, const TBytes& bytes, int lists,
                   std::uint16_t streetLampLoops) {
    for (int i = 0; i < lists; ++i) table.List(i).LoadFromBytes({}, streetLampLoops);
    size_t at = static_cast<size_t>(lists);
    for (int i = 0; i < lists; ++i) {
        TRtu6ActionTable& list = table.List(i);
        const int n = i < static_cast<int>(bytes.size()) ? ByteAt(bytes, i) : 0;
        const size_t size = n > 0 ? static_cast<size_t>(n * kActionSize + list.DateBytes()) : 0;
        // A count that promises more bytes than there are fails its list.
        if (at + size > bytes.size()) return false;
        if (!list.LoadFromBytes(bytes.substr(at, size), streetLampLoops)) return false;
        at += size;
    }
    return true;
}
