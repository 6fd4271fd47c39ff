// The demonstration data set: what `qalor-initdb --sample` and
// `./run.sh --demo` give a new workstation, checked against the calls the
// exchange simulator draws.

#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "../../tools/pbxsim/CallGenerator.h"
#include "db/TableRegistry.h"
#include "rating/PrefixIndex.h"
#include "rating/RateTable.h"

#include <QSet>
#include <QTest>

using namespace qalor;
using namespace qalor::test;

class TestSampleData : public QObject
{
    Q_OBJECT
private slots:
    void everyGeneratedNumberHasItsOwnDestination()
    {
        TestDatabase db(true);
        RecordingPrompt prompt;
        RateTable rates;
        QVERIFY(rates.LoadRates());
        // Only numbers the data set does not know may fall to the catch-all
        // rows of long-distance and international calls.
        const QSet<QString> catchAll{QStringLiteral("国内长途"), QStringLiteral("国际长途")};
        // And none may take an entry only partly (the entry's prefix longer
        // than what it shares with the number): 检查费率表 would list it.
        PrefixIndex index;
        for (const RateEntry& entry : rates.entries())
            index.add(entry.prefix);
        QStringList unpriced;
        QStringList partly;
        QStringList numbers{"13912345678", "14712345678", "15012345678", "16612345678",
                            "17012345678", "18612345678", "19912345678", "95555",
                            "95588",       "16812345",    "16012345"};
        for (quint32 seed = 1; seed <= 4; ++seed) {
            pbxsim::CallGenerator generator(seed, QDate(2026, 3, 2));
            for (int i = 0; i < 2000; ++i)
                numbers << generator.next(QDateTime()).number;
        }
        QSet<QString> areas;
        for (const QString& number : std::as_const(numbers)) {
            RateMatch match;
            rates.LookupRate(number, match);
            if (match.rate <= 0 || match.area.isEmpty() || catchAll.contains(match.area))
                unpriced << number + QLatin1Char('=') + match.area;
            const int chosen = index.find(number);
            if (chosen < 0 || !number.startsWith(rates.entries().at(chosen).prefix))
                partly << number;
            areas << match.area;
        }
        unpriced.removeDuplicates();
        QVERIFY2(unpriced.isEmpty(), qPrintable(unpriced.mid(0, 20).join(QLatin1Char(' '))));
        QVERIFY2(partly.isEmpty(), qPrintable(partly.mid(0, 20).join(QLatin1Char(' '))));
        // The generator reaches every kind, the new ones included.
        for (const char* area : {"移动电话", "服务热线", "市话", "信息台", "声讯台"})
            QVERIFY2(areas.contains(QString::fromUtf8(area)), area);

        // The own area code dialled in front of a local number is a local call.
        RateMatch own;
        rates.LookupRate(u"075526001234", own);
        QCOMPARE(own.area, QStringLiteral("市话"));
        QCOMPARE(prompt.texts, QStringList());
    }

    void noTextColumnIsNull()
    {
        // Default and demonstration rows write empty texts, never NULL.
        TestDatabase db(true);
        QStringList nulls;
        for (const TableDef* table : TableRegistry::all()) {
            for (const ColumnDef& column : table->columns) {
                if (column.type != ColumnType::Text)
                    continue;
                const QString count = db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 IS NULL")
                                                    .arg(table->name, column.name));
                if (count != QLatin1String("0"))
                    nulls << table->name + QLatin1Char('.') + column.name;
            }
        }
        QCOMPARE(nulls, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSampleData)
#include "tst_sample_data.moc"
