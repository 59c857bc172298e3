#pragma once
// The INI store: stations in StationsInfo.Ini, saved schedules in ThemesInfo.Ini and the
// read-only place list LongLat.Ini, all in the program folder. The database operations of
// the store interface do nothing here.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ProfileFile.h"
#include "schedules/Themes.h"
#include "stations/DataIntf.h"

// What the store keeps of one station.
struct TStoredStation {
    std::string Name;
    int LinkKind = 0;
    int RtuAddress = 0;
    std::string PhoneNumber;  // SIM number; for GPRS the terminal's device identifier
    std::uint16_t LoopsMask = 0;
    std::string IpAddress;
    int IpPort = 0;
    bool Answered = false;
};

struct TStationEntry {
    int Number;
    std::string Name;
};

inline constexpr const char* kWaitSending = "正在发送命令, 请稍候...";

class TIDataTest : public TIData {
public:
    explicit TIDataTest(const std::string& folder);
    ~TIDataTest() override;

    bool OpenQuery(TDataSet*& dataSet) override;
    void CloseQuery(TDataSet* dataSet) override;
    bool ExecSql(const std::string& statement) override;
    bool IsReady() const override { return true; }
    void PostTask(int taskKind, int rtuAddress, TDateTime created, TDateTime deadline, int item,
                  bool isWrite, const TBytes& frameText, bool waitReply,
                  const std::string& caption) override;

    // --- Stations ----------------------------------------------------------------------
    // In file order; a section whose name is not a number ends the list.
    std::vector<TStationEntry> ListStations() const;
    bool ReadStation(int number, TStoredStation& station) const;
    bool FindStationByIp(const std::string& address, int& number) const;
    bool FindStationByPhone(const std::string& phone, int& number, TStoredStation& station) const;
    bool FindStationByRtuAddress(int address, int& number, TStoredStation& station) const;
    // The new station's number, or 0 when it clashes with a stored one.
    int AddStation(const std::string& name, int linkKind, std::uint16_t loopsMask,
                   const std::string& phone, int address);
    bool UpdateStation(int number, const std::string& name, std::uint16_t loopsMask,
                       const std::string& phone, int address, int linkKind);
    bool DeleteStation(int number);
    bool SetAnswered(int number, bool answered);
    bool SetIpRoute(int number, const std::string& address, int port);

    // --- Saved schedules ---------------------------------------------------------------
    // The names of the saved schedules in file order.
    std::vector<std::string> ListSchedules() const;
    // False when there is no schedule of the name. The schedule is reset first; loops whose
    // first pair is stored as used are read, times cut to whole minutes.
    bool LoadSchedule(const std::string& name, TDateTime& savedAt, TTheme& schedule) const;
    // One write of the file. True when at least one loop has a schedule. A name the file
    // cannot hold raises TCheckError.
    bool SaveSchedule(const std::string& name, const TTheme& schedule);
    bool DeleteSchedule(const std::string& name);

    // --- Places ------------------------------------------------------------------------
    // The name=value lines of the place list.
    std::vector<std::string> ListPlaces() const;
    bool ReadPlace(const std::string& number, double& longitude, double& latitude) const;

    const TProfileFile& StationsFile() const { return Stations_; }
    const TProfileFile& ThemesFile() const { return Themes_; }

private:
    struct TStationIndex;
    std::shared_ptr<const TStationIndex> Index() const;
    bool Clashes(const TProfileData& data, int ownNumber, const std::string& name, int linkKind,
                 const std::string& phone, int address) const;

    TProfileFile Stations_;
    TProfileFile Themes_;
    TProfileFile Places_;
    mutable std::mutex IndexLock_;
    mutable std::shared_ptr<const TStationIndex> Index_;
};
