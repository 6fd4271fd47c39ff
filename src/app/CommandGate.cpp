#include "app/CommandGate.h"

#include "station/AppState.h"

#include <array>

namespace qalor {

namespace {

enum class Need { Anyone, Administrator, Headkeeper };

struct GateRow
{
    int command;
    Need need;
    const char* refusal; // UTF-8
    bool offerLogin;
};

constexpr const char* kUpper = "LOGIN FIRST PLEASE!";
constexpr const char* kMixed = "Login First Please!";
constexpr const char* kComma = "Login First,Please!";
constexpr const char* kAdminFirst = "LOGIN FIRST,PLEASE!\n请先以管理员身份登录系统";
constexpr const char* kNotHeadkeeper = "You Are not the Headkeeper!\n Login As a Headkeeper";

// Commands not listed here (login, logout, the port-independent frame
// entries and the voice-query passwords) are open to anyone.
constexpr std::array kGates{
    GateRow{Cmd::QueryByDate, Need::Administrator, kUpper, false},
    GateRow{Cmd::QueryByCallee, Need::Administrator, kUpper, false},
    GateRow{Cmd::CheckIn, Need::Administrator, kUpper, false},
    GateRow{Cmd::CheckOut, Need::Administrator, kUpper, false},
    GateRow{Cmd::HotelBill, Need::Administrator, kUpper, false},
    GateRow{Cmd::CallTypeBilling, Need::Administrator, kUpper, false},
    GateRow{Cmd::CosBilling, Need::Administrator, kUpper, false},
    GateRow{Cmd::TrunkBilling, Need::Administrator, kUpper, false},
    GateRow{Cmd::BackupDelete, Need::Administrator, kUpper, false},
    GateRow{Cmd::WeekDiscount, Need::Administrator, kUpper, false},
    GateRow{Cmd::ReceiveReport, Need::Administrator, kUpper, false},
    GateRow{Cmd::ComputeReport, Need::Administrator, kUpper, false},
    GateRow{Cmd::RecutUnframed, Need::Administrator, kUpper, false},
    GateRow{Cmd::OpenPort, Need::Administrator, kUpper, false},
    GateRow{Cmd::ClosePort, Need::Administrator, kUpper, false},
    GateRow{Cmd::PortSettings, Need::Administrator, kUpper, false},
    GateRow{Cmd::StationClass, Need::Administrator, kUpper, false},
    GateRow{Cmd::DialCode, Need::Administrator, kUpper, false},

    GateRow{Cmd::HolidayDiscount, Need::Administrator, kMixed, true},
    GateRow{Cmd::Department, Need::Administrator, kMixed, true},
    GateRow{Cmd::BaseRate, Need::Administrator, kMixed, true},
    GateRow{Cmd::Extension, Need::Administrator, kMixed, true},
    GateRow{Cmd::TimeDiscount, Need::Administrator, kMixed, true},
    GateRow{Cmd::DiscountType, Need::Administrator, kMixed, true},
    GateRow{Cmd::Rate31, Need::Administrator, kMixed, true},
    GateRow{Cmd::AlertRules, Need::Administrator, kMixed, true},

    GateRow{Cmd::SaveCdr, Need::Administrator, kMixed, false},
    GateRow{Cmd::RemoveDuplicates, Need::Administrator, kMixed, false},
    GateRow{Cmd::PayNotice, Need::Administrator, kMixed, false},
    GateRow{Cmd::HotelOptions, Need::Administrator, kMixed, false},
    GateRow{Cmd::MonthReport, Need::Administrator, kMixed, false},

    GateRow{Cmd::CdrLayout, Need::Administrator, kComma, false},

    GateRow{Cmd::CountType, Need::Administrator, kAdminFirst, false},
    GateRow{Cmd::HotelRegister, Need::Administrator, kAdminFirst, false},
    GateRow{Cmd::StationChangeLog, Need::Administrator, kAdminFirst, false},
    GateRow{Cmd::AlertList, Need::Administrator, kAdminFirst, true},

    GateRow{Cmd::PasswordAdmin, Need::Headkeeper, kNotHeadkeeper, true},
};

const GateRow* find(int command)
{
    for (const GateRow& row : kGates) {
        if (row.command == command)
            return &row;
    }
    return nullptr;
}

} // namespace

bool CommandGate::isGated(int command)
{
    return find(command) != nullptr;
}

CommandGate::Verdict CommandGate::check(int command, const AppState& state)
{
    Verdict verdict;
    const GateRow* row = find(command);
    if (!row)
        return verdict;
    const bool passes = row->need == Need::Headkeeper ? state.superAdmin != 0 : state.loggedIn != 0;
    if (passes)
        return verdict;
    verdict.allowed = false;
    verdict.refusal = QString::fromUtf8(row->refusal);
    verdict.offerLogin = row->offerLogin;
    return verdict;
}

} // namespace qalor
