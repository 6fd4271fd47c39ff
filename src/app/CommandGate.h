#pragma once

#include <QString>

namespace qalor {

struct AppState;

// Command identifiers of the menu resource. Entries that have no command of
// their own share NoCommand.
namespace Cmd {
enum Id : int {
    NoCommand = 0,
    TimeDiscount = 32778,     // 分时段折扣设置
    Login = 32771,            // 登录
    PasswordAdmin = 32772,    // 密码管理
    Logout = 32773,           // 管理员退出
    MonthReport = 32787,      // 月报表
    YearReport = 32788,       // 年报表 (never had a handler)
    PayNotice = 32789,        // 出缴费通知
    BaseRate = 32790,         // 基本费率设置
    Department = 32791,       // 部门设置
    Extension = 32792,        // 分机设置
    HolidayDiscount = 32793,  // 节假日折扣设置
    DiscountType = 32794,     // 折扣类型设置
    QueryByDate = 32795,      // 按日期查询
    QueryByCallee = 32796,    // 按被叫号查询
    BackupDelete = 32797,     // 备份/删除数据
    CheckIn = 32800,          // 入住登记
    CheckOut = 32801,         // 退房结算
    HotelBill = 32802,        // 出帐单
    CdrLayout = 32803,        // CDR输出字段设置
    CallTypeBilling = 32804,  // 呼叫类型计费设置
    CosBilling = 32805,       // 分机级别计费设置
    TrunkBilling = 32806,     // 中继组计费设置
    WeekDiscount = 32807,     // 星期折扣设置
    ReceiveReport = 32808,    // 接收REPORT数据
    ComputeReport = 32809,    // 计算REPORT数据
    RecutUnframed = 32849,    // 重新切分未成行的CDR数据
    OpenPort = 32810,         // 打开串口
    ClosePort = 32811,        // 关闭串口
    PortSettings = 32812,     // 串口设置
    Rate31 = 32820,           // 3+1费率表设置
    CountType = 32821,        // 统计类型设置
    SaveCdr = 32823,          // 是否保存CDR记录
    RemoveDuplicates = 32826, // 删除重复记录
    HotelOptions = 32827,     // 宾馆管理设置
    StationClass = 32828,     // 更改分机级别
    DialCode = 32829,         // 更MODEM改拨号表
    StationChangeLog = 32830, // 分机级别更改记录
    HotelRegister = 32831,    // 查看宾馆登记情况
    PhoneQuery = 32832,       // 语音话费查询密码
    AlertRules = 32850,       // 告警规则设置
    AlertList = 32851,        // 告警记录
    About = 57664,            // 帮助
    Exit = 57665,             // 退出(&X)
    ViewToolBar = 59392,      // 工具栏
    ViewStatusBar = 59393,    // 状态栏
};
} // namespace Cmd

// The rights check every command passes before it runs. Commands that change
// data need a logged-in administrator and refuse with their own text; the
// password table needs the Headkeeper. The table lives here and nowhere else.
class CommandGate
{
public:
    struct Verdict
    {
        bool allowed = true;
        QString refusal;         // shown when not allowed
        bool offerLogin = false; // the login dialog opens after the refusal
    };

    static Verdict check(int command, const AppState& state);
    // Whether the command passes through the gate at all (false: anyone may run it).
    static bool isGated(int command);
};

} // namespace qalor
