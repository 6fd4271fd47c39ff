#pragma once

#include "rating/Alert.h"
#include "rating/AlertMarks.h"
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
// The rules and the extensions of 用户信息表 with their departments are held
// in memory, read on the first call checked and again after reload(). What
// decides the rules that count (the month's totals, the calls of a pair,
// what was told already) is read from and written to the data source in
// the call's transaction, so that every program storing calls agrees and a
// rollback or a restart changes nothing: a call matching no month or repeat
// rule costs no statement.
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
    // Creates the tables of the alert state when missing (outside a
    // transaction: on PostgreSQL a table created in one that is rolled back
    // is gone again). Raises DbError.
    static void ensureTables();
    // Run before the month's or the day's calls are read from 话费表, which
    // must then hold every call checked so far (and the one being checked).
    void setBeforeReading(const std::function<void()>& hook);
    // Rules given directly (measurements); extensions as in 用户信息表 otherwise.
    void setRules(QList<AlertRule> rules, QHash<QString, int> departments);
    const QList<AlertRule>& rules() const { return m_rules; }

    // The rules a call matches, with what it reached; the month's totals
    // and the pair's calls include the call already. Notes in the data
    // source what it tells once. Used by check(); raises DbError.
    QList<Alert> matches(const CheckedCall& call, const MonthTotals::Added& month,
                         const QList<qint64>& pairStarts);

    // The rules of 告警规则表 that are switched on and usable; with
    // unusable given, a text for each rule switched on that is not.
    // Read on db (nullptr: the shared connection).
    static QList<AlertRule> loadRules(QStringList* unusable = nullptr, CDatabase* db = nullptr);
    static QString unusableText(int id, const QString& name, const QString& fault);
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
    bool m_hasExtensionMonthRule = false;
    bool m_hasDepartmentMonthRule = false;
    bool m_hasRepeatRule = false;
    bool m_watching = false; // an end-of-transaction action is registered
    QList<AlertRule> m_rules;
    MonthTotals m_months;
    RepeatCalls m_repeats;
    AlertMarks m_marks;
    QList<Alert> m_unannounced;
};

} // namespace qalor
