#include "rating/AlertChecker.h"

#include "db/CDatabase.h"
#include "db/sets/CAlertRuleSet.h"
#include "db/sets/CUserSet.h"
#include "prompt/Prompt.h"
#include "rating/AlertLog.h"
#include "rating/AlertRuleCheck.h"

#include <QPointer>

namespace qalor {

namespace {
QString clock(int seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

AlertChecker::AlertChecker(QObject* parent) : QObject(parent) {}

QList<AlertRule> AlertChecker::loadRules(QStringList* unusable, CDatabase* db)
{
    QList<AlertRule> rules;
    CAlertRuleSet set(db);
    set.setSort(QStringLiteral("规则编号"));
    set.open();
    using C = CAlertRuleSet;
    for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
        if (!set.bit(C::Enabled))
            continue;
        QList<QVariant> row;
        for (int c = 0; c < Tables::alertRule().columnCount(); ++c)
            row << set.value(c);
        const AlertRuleCheck::Fault fault = AlertRuleCheck::fault(row);
        if (fault.column >= 0) {
            // Never used in part: a rule read wrongly fires on every call or never.
            if (unusable)
                *unusable << unusableText(set.integer(C::Id), set.text(C::Name), fault.text);
            continue;
        }
        AlertRule rule;
        rule.id = set.integer(C::Id);
        rule.name = set.text(C::Name);
        rule.kind = AlertRule::Kind(set.integer(C::Kind));
        rule.amount = Money::nearest(set.real(C::Amount));
        rule.seconds = set.integer(C::Seconds);
        rule.prefix = set.text(C::Prefix).trimmed();
        rule.from = AlertRule::secondOfDay(set.text(C::From));
        rule.to = AlertRule::secondOfDay(set.text(C::To));
        rule.count = set.integer(C::Count);
        rule.minutes = set.integer(C::Minutes);
        rule.extension = set.text(C::Extension).trimmed();
        rule.department = set.integer(C::Department);
        rules.append(rule);
    }
    set.close();
    return rules;
}

QString AlertChecker::unusableText(int id, const QString& name, const QString& fault)
{
    return QStringLiteral("告警规则%1“%2”无法使用,未作检查: %3").arg(id).arg(name.trimmed(), fault);
}

QHash<QString, int> AlertChecker::loadDepartments()
{
    QHash<QString, int> departments;
    CUserSet set;
    set.open();
    for (set.moveFirst(); !set.isEOF(); set.moveNext())
        departments.insert(set.text(CUserSet::Phone).trimmed(), set.integer(CUserSet::Department));
    set.close();
    return departments;
}

void AlertChecker::setRules(QList<AlertRule> rules, QHash<QString, int> departments)
{
    m_rules = std::move(rules);
    m_months.setDepartments(std::move(departments));
    m_hasExtensionMonthRule = m_hasDepartmentMonthRule = m_hasRepeatRule = false;
    int window = 0;
    for (const AlertRule& rule : std::as_const(m_rules)) {
        if (rule.kind == AlertRule::Kind::MonthTotal) {
            m_hasExtensionMonthRule |= rule.department == 0;
            m_hasDepartmentMonthRule |= rule.department != 0;
        }
        if (rule.kind == AlertRule::Kind::Repeat) {
            m_hasRepeatRule = true;
            window = qMax(window, rule.minutes * 60);
        }
    }
    m_repeats.setLongestWindow(window);
    m_loaded = true;
}

void AlertChecker::reload()
{
    m_loaded = false;
}

void AlertChecker::ensureTables()
{
    MonthTotals::ensureTable();
    AlertMarks::ensureTable();
}

void AlertChecker::setBeforeReading(const std::function<void()>& hook)
{
    m_months.setBeforeReading(hook);
    m_repeats.setBeforeReading(hook);
}

void AlertChecker::reportOnce(const QString& text)
{
    if (!m_failureTold)
        Prompt::inform(text);
    m_failureTold = true;
}

bool AlertChecker::ensureLoaded()
{
    if (m_loaded)
        return true;
    try {
        QStringList unusable;
        setRules(loadRules(&unusable), loadDepartments());
        ensureTables();
        // Told once for each reading of the rules, not at every call.
        if (!unusable.isEmpty())
            Prompt::inform(unusable.join(QLatin1Char('\n')));
        return true;
    } catch (const DbError& error) {
        // Not read again until the rules are edited or the program starts
        // anew, as with the other parameter tables.
        setRules({}, {});
        reportOnce(QStringLiteral("告警规则表无法读取,通话不作告警检查:\n") + error.message());
        return false;
    }
}

QList<Alert> AlertChecker::matches(const CheckedCall& call, const MonthTotals::Added& month,
                                   const QList<qint64>& pairStarts)
{
    QList<Alert> found;
    CDatabase& db = CDatabase::shared();
    const int department = m_months.departmentOf(call.caller);
    for (const AlertRule& rule : std::as_const(m_rules)) {
        if (!rule.extension.isEmpty() && rule.extension != call.caller)
            continue;
        if (rule.department != 0 && rule.department != department)
            continue;
        QString detail;
        switch (rule.kind) {
        case AlertRule::Kind::Cost:
            if (call.billed < rule.amount)
                continue;
            detail = QStringLiteral("单次话费%1元,达到%2元").arg(call.billed.text(), rule.amount.text());
            break;
        case AlertRule::Kind::Duration:
            if (call.seconds < rule.seconds || rule.seconds <= 0)
                continue;
            detail = QStringLiteral("通话时长%1,达到%2").arg(clock(call.seconds), clock(rule.seconds));
            break;
        case AlertRule::Kind::PrefixWindow:
            if (!call.called.startsWith(rule.prefix) || !rule.inWindow(call.start.second))
                continue;
            detail =
                rule.from >= 0 && rule.to >= 0 && rule.from != rule.to
                    ? QStringLiteral("%1至%2之间拨打%3").arg(clock(rule.from), clock(rule.to), rule.prefix)
                    : QStringLiteral("拨打%1").arg(rule.prefix);
            break;
        case AlertRule::Kind::MonthTotal: {
            // Told once a month: by the call that brings the total to the amount.
            const MonthTotals::Step& step = rule.department != 0 ? month.department : month.extension;
            if (!(step.before < rule.amount && step.after >= rule.amount))
                continue;
            const QString key = QString::number(call.start.date.year() * 100 + call.start.date.month()) +
                                (rule.department != 0 ? QStringLiteral("部门%1").arg(rule.department)
                                                      : QStringLiteral("分机") + call.caller);
            if (!m_marks.firstTime(db, rule.id, key))
                continue;
            detail = rule.department != 0 ? QStringLiteral("部门%1本月累计话费%2元,达到%3元")
                                                .arg(rule.department)
                                                .arg(step.after.text(), rule.amount.text())
                                          : QStringLiteral("分机%1本月累计话费%2元,达到%3元")
                                                .arg(call.caller, step.after.text(), rule.amount.text());
            break;
        }
        case AlertRule::Kind::UnknownCaller:
            if (m_months.registered(call.caller))
                continue;
            detail = QStringLiteral("分机%1不在用户信息表中").arg(call.caller);
            break;
        case AlertRule::Kind::Repeat: {
            if (rule.count <= 0)
                continue;
            const int window = rule.minutes * 60;
            const int calls = RepeatCalls::countWithin(pairStarts, call.start, window);
            if (calls < rule.count)
                continue;
            // A line stuck on a number is told once per window, not at every
            // call, by whichever program stores the call that reaches it.
            if (!m_marks.firstInWindow(db, rule.id, call.caller + QLatin1Char('/') + call.called,
                                       call.start.serial(), window))
                continue;
            detail = QStringLiteral("%1分钟内呼叫该号码%2次").arg(rule.minutes).arg(calls);
            break;
        }
        }
        Alert alert;
        alert.call = call;
        alert.ruleId = rule.id;
        alert.ruleName = rule.name;
        alert.detail = detail;
        found.append(alert);
    }
    return found;
}

void AlertChecker::check(const CheckedCall& call)
{
    if (!m_loaded && !ensureLoaded())
        return;
    if (m_rules.isEmpty())
        return;
    CDatabase& db = CDatabase::shared();
    MonthTotals::Added month;
    try {
        if (m_hasExtensionMonthRule || m_hasDepartmentMonthRule)
            month = m_months.add(call.caller, call.start.date, call.billed, m_hasExtensionMonthRule,
                                 m_hasDepartmentMonthRule);
        const QList<qint64> pairStarts =
            m_hasRepeatRule ? m_repeats.startsBefore(call.caller, call.called, call.start) : QList<qint64>();
        QList<Alert> found = matches(call, month, pairStarts);
        if (found.isEmpty())
            return;
        const QDateTime now = QDateTime::currentDateTime();
        for (Alert& alert : found) {
            alert.raised = now;
            if (AlertLog::insert(db, alert))
                m_unannounced.append(alert);
        }
        watch(db);
        m_failureTold = false;
    } catch (const DbError& error) {
        // The call goes on to be stored without its alerts. If the
        // connection itself broke, the commit fails and the call waits to be
        // stored again, alerts and all. Its month's totals may lack it: they
        // are read from 话费表 again by the next call.
        try {
            m_months.drop(call.caller, call.start.date);
        } catch (const DbError&) {
        }
        reportOnce(QStringLiteral("告警检查失败:\n") + error.message());
    }
}

void AlertChecker::watch(CDatabase& db)
{
    if (m_watching)
        return;
    m_watching = true;
    db.afterTransaction([self = QPointer<AlertChecker>(this)](bool committed) {
        if (self)
            self->afterTransaction(committed);
    });
}

void AlertChecker::afterTransaction(bool committed)
{
    m_watching = false;
    const QList<Alert> alerts = std::exchange(m_unannounced, {});
    if (!committed)
        return;
    for (const Alert& alert : alerts)
        emit alertRaised(alert);
}

} // namespace qalor
