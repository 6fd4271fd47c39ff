#pragma once

#include "hotel/ChangeList.h"
#include "hotel/DialogStep.h"

#include <QDate>
#include <QString>
#include <QTime>

namespace qalor {

// What the check-in dialog holds for one guest.
struct CheckInForm
{
    QDate date;
    QTime time;
    QString extension;
    QString levelText = QStringLiteral("0 最低级或默认级");
    float deposit = 0;
    QString room;
    QString guest; // 旅客姓名, printed on the bills
    float serviceRatio = 0;
};

// The work behind the check-in dialog's buttons: registers guests in
// 宾馆管理表 (one open stay per extension: an open stay is overwritten only
// when the receptionist confirms) and collects the change list.
class CheckInSession
{
public:
    enum class Outcome { Registered, Kept, OpenFailed, Failed };

    // "登记/退出"
    DialogStep registerAndClose(const CheckInForm& form);
    // "登记下一个"
    DialogStep registerNext(const CheckInForm& form);

    const ChangeList& changeList() const { return m_list; }

    // Writes the stay of one guest.
    Outcome registerGuest(const CheckInForm& form);

private:
    void overwrite(const CheckInForm& form, const QString& date, const QString& time);

    ChangeList m_list;
};

} // namespace qalor
