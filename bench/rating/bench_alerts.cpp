// bench_alerts: what checking a priced call against the alert rules costs.
//
//   bench_alerts [--connection <ODBC connection string>] [--calls N]
//
// 50 rules of every kind, 1,000 registered extensions, a month of 20,000
// stored calls; the calls checked follow each other in time over three days,
// as the exchange prints them. They match next to nothing (the departments
// reach their month's amounts once each; a match writes its row, which is
// the data source's time, not the check's). Each call is stored in 话费表
// first, untimed, and checked in the transaction that stores it, 200 calls
// to a transaction as a batch stores them: the month's totals and what was
// told are kept in the data source and change with the call. The first call
// of a month starts its totals from 话费表: the first is shown apart.

#include "BenchDataSource.h"

#include "db/CDatabase.h"
#include "db/RowWriter.h"
#include "db/SchemaBuilder.h"
#include "db/TableRegistry.h"
#include "prompt/Prompt.h"
#include "rating/AlertChecker.h"
#include "rating/CallCostWriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <chrono>
#include <cstdio>

using namespace qalor;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Extensions = 1000;
constexpr int StoredCalls = 20000;

QString extension(int i)
{
    return QString::number(8000 + i % Extensions);
}

QList<AlertRule> fiftyRules()
{
    QList<AlertRule> rules;
    const auto add = [&](AlertRule rule) {
        rule.id = int(rules.size()) + 1;
        rule.name = QStringLiteral("规则%1").arg(rule.id);
        rules.append(rule);
    };
    for (int i = 0; i < 10; ++i) {
        AlertRule cost;
        cost.kind = AlertRule::Kind::Cost;
        cost.amount = Money::fromCents(100000 + i * 100);
        cost.extension = i % 2 ? extension(i) : QString();
        add(cost);
    }
    for (int i = 0; i < 10; ++i) {
        AlertRule duration;
        duration.kind = AlertRule::Kind::Duration;
        duration.seconds = 7200 + i * 600;
        duration.department = i % 3;
        add(duration);
    }
    for (int i = 0; i < 10; ++i) {
        AlertRule night;
        night.kind = AlertRule::Kind::PrefixWindow;
        night.prefix = QStringLiteral("00%1").arg(i);
        night.from = 22 * 3600;
        night.to = 6 * 3600;
        add(night);
    }
    for (int i = 0; i < 10; ++i) {
        AlertRule month;
        month.kind = AlertRule::Kind::MonthTotal;
        month.amount = Money::fromCents(1000000 + i);
        month.department = i < 5 ? i + 1 : 0;
        add(month);
    }
    for (int i = 0; i < 5; ++i) {
        AlertRule repeat;
        repeat.kind = AlertRule::Kind::Repeat;
        repeat.count = 20 + i;
        repeat.minutes = 10 + i;
        add(repeat);
    }
    for (int i = 0; i < 5; ++i) {
        AlertRule unknown;
        unknown.kind = AlertRule::Kind::UnknownCaller;
        unknown.department = i + 1; // an unregistered caller has none: never matches
        add(unknown);
    }
    return rules;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(BenchDataSource::option());
    parser.addOption({QStringLiteral("calls"), QStringLiteral("calls checked"), QStringLiteral("N"),
                      QStringLiteral("200000")});
    parser.process(app);
    const int calls = parser.value(QStringLiteral("calls")).toInt();

    BenchDataSource source(parser);
    CDatabase::setDefaultConnectionString(source.connection());
    try {
        CDatabase& db = CDatabase::shared();
        db.open();
        QHash<QString, int> departments;
        if (source.scratch()) {
            SchemaBuilder(db).createMissing(QStringLiteral("bench"), false);
            CTransaction fill(db);
            RowWriter users(db, Tables::user());
            for (int i = 0; i < Extensions; ++i)
                users.append({extension(i), QString(), QString(), QString(), QString(), QString(), 0, 0, 0.0,
                              i % 10, QString()});
            RowWriter stored(db, Tables::callCost());
            QRandomGenerator random(7);
            for (int i = 0; i < StoredCalls; ++i)
                stored.append({extension(i), QStringLiteral("1380013%1").arg(random.bounded(10000)),
                               QStringLiteral("2603%1").arg(1 + i % 14, 2, 10, QLatin1Char('0')),
                               QStringLiteral("093000"), 130.0, 0.4, 2.0, 0.8, 0.0, 0.1, QString(), 0});
            fill.commit();
        }
        departments = AlertChecker::loadDepartments();

        AlertChecker::ensureTables();
        AlertChecker checker;
        checker.setRules(fiftyRules(), departments);
        RowWriter stored(db, Tables::callCost());
        // Stores the call, then checks it; only the check is timed.
        const auto storeAndCheck = [&](const CheckedCall& call) {
            stored.append({call.caller, call.called, CallCostWriter::dateText(call.start.date),
                           CallCostWriter::timeText(call.start.second), double(call.seconds), 0.4, 1.0,
                           call.billed.toDouble(), 0.0, 0.0, QString(), 0});
            const auto began = Clock::now();
            checker.check(call);
            return std::chrono::duration<double, std::micro>(Clock::now() - began).count();
        };
        QRandomGenerator random(11);
        QList<CheckedCall> stream;
        stream.reserve(calls);
        // Three days from 15 March, in time order.
        const qint64 first = QDate(2026, 3, 15).toJulianDay() * 86400;
        for (int i = 0; i < calls; ++i) {
            const qint64 serial = first + qint64(i) * (3 * 86400) / calls;
            CheckedCall call;
            call.caller = extension(int(random.bounded(Extensions)));
            call.called = QStringLiteral("1380013%1").arg(random.bounded(10000));
            call.start = CallMoment::fromSerial(serial);
            call.seconds = 30 + int(random.bounded(600));
            call.billed = Money::fromCents(random.bounded(500));
            stream.append(call);
        }

        double firstMs = 0;
        {
            CTransaction first(db);
            firstMs = storeAndCheck(stream.first()) / 1000.0;
            first.commit();
        }
        double total = 0;
        for (int i = 1; i < calls; i += 200) {
            CTransaction batch(db);
            for (int j = i; j < qMin(calls, i + 200); ++j)
                total += storeAndCheck(stream.at(j));
            batch.commit();
        }
        const int alerts = db.executeCount(QStringLiteral("DELETE FROM 告警记录表"));
        db.execute(QStringLiteral("DELETE FROM 告警累计表"));
        db.execute(QStringLiteral("DELETE FROM 告警状态表"));
        std::printf("alert check, %lld rules: %.2f us a call over %d calls (first call, reading the month: "
                    "%.1f ms); %d matched\n",
                    static_cast<long long>(checker.rules().size()), total / (calls - 1), calls - 1, firstMs,
                    qMax(0, alerts));
    } catch (const DbError& error) {
        std::fprintf(stderr, "bench_alerts: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
