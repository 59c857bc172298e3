#include "protocol/Catalogue.h"

#include <array>

namespace {

const std::vector<TCatalogueEntry> kEntries = {
    {49, "开关灯时间"},
    {50, "定时开关灯方案"},
    {51, "临时开关灯时间"},
    {52, "普通方案"},
    {53, "周末方案"},
    {54, "节日方案"},
    {55, "临时方案"},
    {56, "标准开灯时间校正值"},
    {57, "标准关灯时间校正值"},
    {58, "RTU时间"},
    {59, "开关灯时间表"},
    {65, "执行模式"},
    {66, "周末定义"},
    {67, "节日定义"},
    {68, "标准单灯模式表"},
    {69, "自定义单灯模式表"},
    {70, "正在执行方案名称"},
    {71, "单灯控制器状态"},
    {72, "单灯控制器相位表"},
    {73, "电缆防盗报警地址表"},
    {80, "活动单灯地址表"},
    {81, "标准开灯调整值"},
    {82, "RTU时钟"},
    {83, "单灯通讯故障表"},
    {97, "光照度控制字"},
    {98, "控制中心SIM卡号"},
    {112, "定时上报状态"},
    {113, "回路状态"},
    {114, "报警信息"},
    {115, "电量"},
    {116, "历史记忆数据"},
    {117, "电缆防盗报警状态"},
    {118, "开关灯参数表"},
    {119, "RTU参数表"},
    {144, "RTU版本信息"},
    {152, "上次启动时间"},
    {153, "重启标志"},
    {160, "RTU地址码"},
    {161, "控制端地址码"},
    {162, "路由地址表"},
    {163, "通讯格式码"},
    {164, "报警方式"},
    {165, "报警类型"},
    {166, "有效回路标志"},
    {167, "单灯控制的回路"},
    {168, "经度"},
    {169, "纬度"},
    {170, "抄表命令"},
    {171, "重发单灯命令标志"},
    {172, "有效灯杆数"},
    {173, "每灯杆使用位数"},
    {174, "单灯模式长度"},
    {175, "开灯时角"},
    {176, "关灯时角"},
    {177, "实际电表"},
    {178, "初始化标志"},
    {180, "时区"},
    {181, "停运标志"},
    {182, "自动保存数据时间间隔"},
    {183, "报警设置"},
    {184, "停电重启设置"},
    {185, "停电重启标志"},
    {186, "电流回路标志"},
    {187, "防盗电流变化率值"},
};

// Direct look-up by ID: every received frame is checked against the catalogue.
const std::array<const char*, 256>& NameByte() {
    static const std::array<const char*, 256> table = [] {
        std::array<const char*, 256> names{};
        for (const auto& entry : kEntries) names[static_cast<size_t>(entry.Id)] = entry.Name;
        return names;
    }();
    return table;
}

}  // namespace

const std::vector<TCatalogueEntry>& CatalogueEntries() {
    return kEntries;
}

bool IsCatalogued(int item) {
    return item >= 0 && item < 256 && NameByte()[static_cast<size_t>(item)] != nullptr;
}

std::string CatalogueName(int item) {
    return IsCatalogued(item) ? NameByte()[static_cast<size_t>(item)] : kUnknownItemName;
}
