#pragma once

#include "rating/Alert.h"
#include "rating/AlertRule.h"
#include "rating/MonthTotals.h"
#include "rating/RepeatCalls.h"

#include <QHash>
#include <QObject>

namespace qalor {

class CDatabase;

// Checks every stored call against the rules of 告警规则表 and logs each
// match once in 告警记录表, in the transaction that stores the call: a call
// that is rolled back leaves no alert, a call checked again (a replay after a
// crash, a batch computed again) adds none.
//
// The rules, the extensions of 用户信息表 with their departments, the month's
// totals and the day's calls are held in memory, so that a call that matches
// nothing costs no statement. They are read on the first call checked and
// again after reload(); what a rolled-back transaction added is forgotten
// and read again.
class AlertChecker : public QObject
{
    Q_OBJECT
public:
    explicit AlertChecker(QObject* parent = nullptr);

    // Checks a call that has just been appended to 话费表 on the shared
    // connection. Never raises: a failure is reported once and the call
    // stands.
    void check(const CheckedCall& call);

    // The rules or the extensions changed: read them again at the next call.
    void reload();
    // Run before the month's or the day's calls are read from 话费表, which
    // must then hold every call checked so far (and the one being checked).
    void setBeforeReading(const std::function<void()>& hook);
    // Rules given directly (measurements); extensions as in 用户信息表 otherwise.
    void setRules(QList<AlertRule> rules, QHash<QString, int> departments);
    const QList<AlertRule>& rules() const { return m_rules; }

    // The rules a call matches, with what it reached; the month's totals
    // and the day's calls must include the call already. Used by check().
    QList<Alert> matches(const CheckedCall& call, const MonthTotals::Added& month);

    // The rules of 告警规则表 that are switched on, of the kinds known.
    static QList<AlertRule> loadRules();
    // 电话号码 -> 部门编号 of 用户信息表.
    static QHash<QString, int> loadDepartments();

signals:
    // A call matched a rule and is logged, once the transaction storing it
    // has committed.
    void alertRaised(const qalor::Alert& alert);

private:
    bool ensureLoaded();
    // Announces the alerts (or forgets the totals) when the transaction ends.
    void watch(CDatabase& db);
    void afterTransaction(bool committed);
    void reportOnce(const QString& text);

    bool m_loaded = false;
    bool m_failureTold = false;
    bool m_hasMonthRule = false;
    bool m_hasRepeatRule = false;
    bool m_watching = false; // an end-of-transaction action is registered
    QList<AlertRule> m_rules;
    MonthTotals m_months;
    RepeatCalls m_repeats;
    QHash<QString, qint64> m_lastRepeat; // rule and pair -> start of the call last alerted
    QList<Alert> m_unannounced;
};

} // namespace qalor
