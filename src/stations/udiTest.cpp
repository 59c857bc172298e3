#include "stations/udiTest.h"

#include <charconv>
#include <chrono>
#include <thread>

#include "app/UserDialogs.h"
#include "comm/TaskSink.h"
#include "platform/CheckError.h"
#include "protocol/ByteUtils.h"
#include "schedules/NightAxis.h"

namespace {

constexpr const char* kItems = "Items";
constexpr const char* kNames = "Names";
constexpr const char* kBadScheduleName =
    "方案名称不能为空, 不能有前后空格, 不能含有回车、换行、[、]、=, 也不能以;开头.";
constexpr auto kPostPause = std::chrono::milliseconds(150);

// A station section is named by its number; anything else is not a station.
bool SectionNumber(const std::string& name, int& number) {
    const char* begin = name.data();
    const char* end = begin + name.size();
    if (begin != end && *begin == '+') ++begin;
    const auto result = std::from_chars(begin, end, number);
    return begin != end && result.ec == std::errc() && result.ptr == end;
}

TStoredStation ReadStationKeys(const TProfileData& data, const std::string& section) {
    TStoredStation s;
    s.Name = data.ReadString(section, "Name");
    s.LinkKind = data.ReadInteger(section, "CommDevice", 0);
    s.RtuAddress = data.ReadInteger(section, "RtuAddress", 0);
    s.PhoneNumber = data.ReadString(section, "PhoneNumber");
    s.LoopsMask = static_cast<std::uint16_t>(data.ReadInteger(section, "LoopsAreStreetLamp", 0));
    s.IpAddress = data.ReadString(section, "IpAddress");
    s.IpPort = data.ReadInteger(section, "IpPort", 0);
    s.Answered = data.ReadBool(section, "Answered", false);
    return s;
}

// A station edited or added must register again before GPRS commands can reach it.
void WriteStationKeys(TProfileEdit& edit, const std::string& section, const std::string& name,
                      int linkKind, std::uint16_t loopsMask, const std::string& phone,
                      int address) {
    edit.WriteString(section, "Name", name);
    edit.WriteInteger(section, "CommDevice", linkKind);
    edit.WriteInteger(section, "RtuAddress", address);
    edit.WriteString(section, "PhoneNumber", phone);
    edit.WriteInteger(section, "LoopsAreStreetLamp", loopsMask);
    edit.WriteString(section, "IpAddress", "");
    edit.WriteInteger(section, "IpPort", 0);
    edit.WriteBool(section, "Answered", false);
}

// Reads a decimal number the way the place list writes it; false for anything else.
bool ParseDecimal(const std::string& text, double& value) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty()) return false;
    const char* begin = trimmed.data();
    if (*begin == '+') ++begin;
    const char* end = trimmed.data() + trimmed.size();
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

// A schedule's name is a key of "Names" and part of its loop sections' names: refuse what
// would not read back as itself or would break the file.
void CheckScheduleName(const std::string& name) {
    const bool bad = name.empty() || Trim(name) != name || name.front() == ';' ||
                     name.find_first_of("\r\n[]=") != std::string::npos;
    RaiseIf(bad, kBadScheduleName);
}

std::string LoopSection(const std::string& name, int loop) {
    return name + "_" + std::to_string(loop);
}

std::string Key(const char* stem, int k) {
    return stem + std::to_string(k);
}

void ReadLoop(const TProfileData& data, const std::string& section, TOnOffInfo& loop) {
    loop.IsStreetLamp = data.ReadBool(section, "IsStreetLamp", false);
    for (int k = 1; k <= kEntriesPerLoop; ++k) {
        TOnceOnOffInfo& e = loop.Entry(k);
        e.IsUsed = data.ReadBool(section, Key("IsUsed", k), false);
        e.OnTime = TruncToMinute(data.ReadTime(section, Key("OnTime", k), 0));
        e.OnTimeMode = data.ReadInteger(section, Key("OnTimeMode", k), 0);
        e.OffTime = TruncToMinute(data.ReadTime(section, Key("OffTime", k), 0));
        e.OffTimeMode = data.ReadInteger(section, Key("OffTimeMode", k), 0);
        e.LampsMode = data.ReadInteger(section, Key("LampsMode", k), 1);
        e.Saving = data.ReadBool(section, Key("Saving", k), false);
    }
}

void WriteLoop(TProfileEdit& edit, const std::string& section, const TOnOffInfo& loop) {
    edit.WriteBool(section, "IsStreetLamp", loop.IsStreetLamp);
    for (int k = 1; k <= kEntriesPerLoop; ++k) {
        const TOnceOnOffInfo& e = loop.Entry(k);
        edit.WriteBool(section, Key("IsUsed", k), e.IsUsed);
        edit.WriteTime(section, Key("OnTime", k), TruncToMinute(e.OnTime));
        edit.WriteInteger(section, Key("OnTimeMode", k), e.OnTimeMode);
        edit.WriteTime(section, Key("OffTime", k), TruncToMinute(e.OffTime));
        edit.WriteInteger(section, Key("OffTimeMode", k), e.OffTimeMode);
        edit.WriteInteger(section, Key("LampsMode", k), e.LampsMode);
        edit.WriteBool(section, Key("Saving", k), e.Saving);
    }
}

}  // namespace

// Look-ups by phone, address and IP come from the GPRS server and the sender for every
// datagram and reply: they are answered from maps built once per parse of the file.
struct TIDataTest::TStationIndex {
    std::shared_ptr<const TProfileData> Data;
    std::vector<TStationEntry> Listed;
    std::unordered_map<int, TStoredStation> Stations;
    std::unordered_map<std::string, int> ByPhone;
    std::unordered_map<std::string, int> ByIp;
    std::unordered_map<int, int> ByAddress;

    explicit TStationIndex(std::shared_ptr<const TProfileData> data) : Data(std::move(data)) {
        bool listing = true;
        for (const std::string& section : Data->ReadSections()) {
            int number = 0;
            if (!SectionNumber(section, number)) {
                listing = false;
                continue;
            }
            const TStoredStation station = ReadStationKeys(*Data, section);
            if (listing) Listed.push_back({number, station.Name});
            if (!Stations.emplace(number, station).second) continue;  // "01" after "1"
            ByPhone.emplace(station.PhoneNumber, number);
            ByIp.emplace(station.IpAddress, number);
            ByAddress.emplace(station.RtuAddress, number);
        }
    }

    bool Find(const std::unordered_map<int, TStoredStation>::const_iterator& it, int& number,
              TStoredStation& station) const {
        if (it == Stations.end()) return false;
        number = it->first;
        station = it->second;
        return true;
    }
};

TIDataTest::TIDataTest(const std::string& folder)
    : Stations_(folder + "/StationsInfo.Ini"),
      Themes_(folder + "/ThemesInfo.Ini"),
      Places_(folder + "/LongLat.Ini") {}

TIDataTest::~TIDataTest() = default;

bool TIDataTest::OpenQuery(TDataSet*& dataSet) {
    dataSet = nullptr;
    return false;
}

void TIDataTest::CloseQuery(TDataSet* /*dataSet*/) {}

bool TIDataTest::ExecSql(const std::string& /*statement*/) {
    return false;
}

void TIDataTest::PostTask(int /*taskKind*/, int /*rtuAddress*/, TDateTime /*created*/,
                          TDateTime /*deadline*/, int item, bool isWrite, const TBytes& frameText,
                          bool waitReply, const std::string& caption) {
    TTaskSink* sender = CurrentTaskSink();
    if (sender == nullptr) return;  // no link: the command is dropped
    TWaitMessage wait(kWaitSending);
    sender->AddTask(item, caption, waitReply, isWrite, frameText);
    std::this_thread::sleep_for(kPostPause);
}

std::shared_ptr<const TIDataTest::TStationIndex> TIDataTest::Index() const {
    std::shared_ptr<const TProfileData> data = Stations_.Read();
    std::lock_guard<std::mutex> lock(IndexLock_);
    if (!Index_ || Index_->Data != data) Index_ = std::make_shared<TStationIndex>(std::move(data));
    return Index_;
}

std::vector<TStationEntry> TIDataTest::ListStations() const {
    return Index()->Listed;
}

bool TIDataTest::ReadStation(int number, TStoredStation& station) const {
    const auto index = Index();
    int found = 0;
    station = TStoredStation();
    return index->Find(index->Stations.find(number), found, station);
}

bool TIDataTest::FindStationByIp(const std::string& address, int& number) const {
    const auto index = Index();
    const auto it = index->ByIp.find(address);
    if (it == index->ByIp.end()) return false;
    number = it->second;
    return true;
}

bool TIDataTest::FindStationByPhone(const std::string& phone, int& number,
                                    TStoredStation& station) const {
    const auto index = Index();
    const auto it = index->ByPhone.find(phone);
    return it != index->ByPhone.end() &&
           index->Find(index->Stations.find(it->second), number, station);
}

bool TIDataTest::FindStationByRtuAddress(int address, int& number, TStoredStation& station) const {
    const auto index = Index();
    const auto it = index->ByAddress.find(address);
    return it != index->ByAddress.end() &&
           index->Find(index->Stations.find(it->second), number, station);
}

bool TIDataTest::Clashes(const TProfileData& data, int ownNumber, const std::string& name,
                         int linkKind, const std::string& phone, int address) const {
    if (linkKind < 0 || linkKind > 2) return false;
    for (const std::string& section : data.ReadSections()) {
        int number = 0;
        if (SectionNumber(section, number) && number == ownNumber) continue;
        const TStoredStation other = ReadStationKeys(data, section);
        if (other.Name == name || other.RtuAddress == address) return true;
        if (linkKind == 1 && other.PhoneNumber == phone) return true;
    }
    return false;
}

int TIDataTest::AddStation(const std::string& name, int linkKind, std::uint16_t loopsMask,
                           const std::string& phone, int address) {
    int added = 0;
    Stations_.Update([&](TProfileEdit& edit) {
        if (Clashes(edit, 0, name, linkKind, phone, address)) return;
        int n = 1;
        while (edit.SectionExists(std::to_string(n))) ++n;
        WriteStationKeys(edit, std::to_string(n), name, linkKind, loopsMask, phone, address);
        added = n;
    });
    return added;
}

bool TIDataTest::UpdateStation(int number, const std::string& name, std::uint16_t loopsMask,
                               const std::string& phone, int address, int linkKind) {
    bool updated = false;
    Stations_.Update([&](TProfileEdit& edit) {
        if (Clashes(edit, number, name, linkKind, phone, address)) return;
        WriteStationKeys(edit, std::to_string(number), name, linkKind, loopsMask, phone, address);
        updated = true;
    });
    return updated;
}

bool TIDataTest::DeleteStation(int number) {
    Stations_.Update([&](TProfileEdit& edit) { edit.EraseSection(std::to_string(number)); });
    return true;
}

bool TIDataTest::SetAnswered(int number, bool answered) {
    bool done = false;
    Stations_.Update([&](TProfileEdit& edit) {
        const std::string section = std::to_string(number);
        if (!edit.SectionExists(section)) return;
        edit.WriteBool(section, "Answered", answered);
        done = true;
    });
    return done;
}

bool TIDataTest::SetIpRoute(int number, const std::string& address, int port) {
    bool done = false;
    Stations_.Update([&](TProfileEdit& edit) {
        const std::string section = std::to_string(number);
        if (!edit.SectionExists(section)) return;
        edit.WriteString(section, "IpAddress", address);
        edit.WriteInteger(section, "IpPort", port);
        done = true;
    });
    return done;
}

std::vector<std::string> TIDataTest::ListSchedules() const {
    return Themes_.Read()->ReadSection(kNames);
}

bool TIDataTest::LoadSchedule(const std::string& name, TDateTime& savedAt, TTheme& schedule) const {
    const auto data = Themes_.Read();
    if (!data->ValueExists(kNames, name)) return false;
    savedAt = data->ReadDateTime(kNames, name, Now());
    schedule.Clear();
    for (int loop = 1; loop <= kThemeLoops; ++loop) {
        const std::string section = LoopSection(name, loop);
        if (data->SectionExists(section) && data->ReadBool(section, "IsUsed1", false))
            ReadLoop(*data, section, schedule.Loop(loop));
    }
    return true;
}

bool TIDataTest::SaveSchedule(const std::string& name, const TTheme& schedule) {
    CheckScheduleName(name);
    bool written = false;
    Themes_.Update([&](TProfileEdit& edit) {
        edit.WriteDateTime(kNames, name, Now());
        for (int loop = 1; loop <= kThemeLoops; ++loop) {
            const std::string section = LoopSection(name, loop);
            if (schedule.Loop(loop).HasSchedule()) {
                WriteLoop(edit, section, schedule.Loop(loop));
                written = true;
            } else {
                edit.EraseSection(section);
            }
        }
    });
    return written;
}

bool TIDataTest::DeleteSchedule(const std::string& name) {
    Themes_.Update([&](TProfileEdit& edit) {
        for (int loop = 1; loop <= kThemeLoops; ++loop) edit.EraseSection(LoopSection(name, loop));
        edit.DeleteKey(kNames, name);
    });
    return true;
}

std::vector<std::string> TIDataTest::ListPlaces() const {
    return Places_.Read()->ReadSectionLines(kItems);
}

bool TIDataTest::ReadPlace(const std::string& number, double& longitude, double& latitude) const {
    longitude = latitude = 0;
    const auto data = Places_.Read();
    if (!data->ValueExists(kItems, number)) return false;
    const std::string value = data->ReadString(kItems, number);
    double lon = 0, lat = 0;
    if (!ParseDecimal(GetField(value, 4, ','), lon)) return true;
    longitude = lon;
    if (ParseDecimal(GetField(value, 5, ','), lat)) latitude = lat;
    return true;
}
