#pragma once

#include <QList>
#include <QString>

namespace qalor {

class CRecordSet;

// Billability by code: one flag per code, 1 (billed) unless its table says
// otherwise. A flag of 1 or more bills the call. Codes outside the table's
// range (an empty field reads -1) are billed and never touch the flags;
// table rows with such codes are left out.
class CodeFlags
{
public:
    explicit CodeFlags(int size) : m_flags(size, 1) {}
    int size() const { return int(m_flags.size()); }
    bool billable(int code) const { return code < 0 || code >= size() || m_flags.at(code) >= 1; }
    int flag(int code) const { return m_flags.at(code); }
    // Sets the flags from the rows of an open set (code column, flag column).
    void fill(CRecordSet& set, int codeColumn, int flagColumn);

    bool loaded = false;

private:
    QList<int> m_flags;
};

// The three billability tables: call types (呼叫类型表, tested when a call is
// priced), classes of service (服务级别计费表) and trunk groups (中继组), both
// tested by the parser.
class BillabilityFlags
{
public:
    bool LoadCallTypes();
    bool LoadCallerCos();
    bool LoadTrunkGroups();

    CodeFlags callTypes{12};
    CodeFlags callerCos{256};
    CodeFlags trunkGroups{64};

private:
    struct CodeTableTexts
    {
        QString cannotOpen;
        QString empty;
        QString unknownError;
        bool emptyLoads; // whether an empty table counts as loaded
        int codeColumn;
        int flagColumn;
    };
    // Sets the loaded mark first, then reads the table into the flags.
    static bool loadCodes(CRecordSet& set, CodeFlags& flags, const CodeTableTexts& texts);
};

} // namespace qalor
