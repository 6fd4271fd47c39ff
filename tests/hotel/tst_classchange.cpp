#include "RecordingPrompt.h"
#include "TimedCommControl.h"

#include "hotel/CLevelChanger.h"
#include "hotel/ClassChangeSender.h"
#include "hotel/HotelSettings.h"

#include <QSignalSpy>
#include <QTest>

using namespace qalor;
using namespace qalor::test;

namespace {

HotelSettings modemSettings()
{
    HotelSettings s;
    s.viaModem = 1;
    s.modemPort = 2;
    s.defaultCode = QStringLiteral("A0");
    s.localCode = QStringLiteral("A1");
    s.domesticCode = QStringLiteral("A2");
    s.internationalCode = QStringLiteral("A3");
    return s;
}

HotelSettings dcaSettings()
{
    HotelSettings s;
    s.userName = QStringLiteral("admin");
    s.password = QStringLiteral("pw");
    s.database = QStringLiteral("A");
    s.lowestClass = 7;
    s.localClass = 11;
    s.domesticClass = 12;
    s.internationalClass = 13;
    return s;
}

QString cr()
{
    return CLevelChanger::cr();
}

// The administration dialogue as the exchange must receive it: login lines,
// one edit block per extension, the four closing lines.
SendSteps expectedDialogue(const QList<QPair<QString, int>>& blocks, int pauseAfterBlock)
{
    SendSteps steps{{QString(QChar(3)), 200, {}},
                    {QStringLiteral("admin") + cr(), 200, {}},
                    {QStringLiteral("pw") + cr(), 200, {}},
                    {QStringLiteral("edt") + cr(), 100, {}},
                    {QStringLiteral("select A") + cr(), 200, {}},
                    {QStringLiteral("ext") + cr(), 100, {}}};
    for (const auto& [extension, number] : blocks) {
        steps.append({QStringLiteral("m ") + extension + cr(), 100, extension});
        steps.append({cr(), 100, extension});
        steps.append({cr(), 100, extension});
        steps.append({QString::number(number) + cr(), 100, extension});
        for (int i = 0; i < 12; ++i)
            steps.append({cr(), 100, extension});
        steps.last().pauseMs = pauseAfterBlock;
    }
    steps.append({QStringLiteral("exit") + cr(), 100, {}});
    steps.append({QStringLiteral("save") + cr(), 600, {}});
    steps.append({QStringLiteral("exit") + cr(), 100, {}});
    steps.append({QStringLiteral("exit") + cr(), 0, {}});
    return steps;
}

ClassChangeJob pauses(const QList<int>& ms)
{
    ClassChangeJob job;
    for (int i = 0; i < ms.size(); ++i)
        job.steps.append({QStringLiteral("w%1").arg(i), ms.at(i), QStringLiteral("8101")});
    return job;
}

} // namespace

class TestClassChange : public QObject
{
    Q_OBJECT
private slots:
    void levels_data();
    void levels();
    void dialNumbers_data();
    void dialNumbers();
    void changeLists_data();
    void changeLists();
    void modemDialStrings_data();
    void modemDialStrings();
    void dcaDialogue();
    void eventLoopRunsWhileSending();
    void oneChangeAtATime();
    void closedPortStopsAtFirstWrite();
    void modemOpenedForTheChangeOnly();
};

void TestClassChange::levels_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("parsed");
    QTest::addColumn<int>("level");
    QTest::newRow("check-in text") << QStringLiteral("2 国内长途") << 2 << 2;
    QTest::newRow("international") << QStringLiteral("3 国际长途") << 3 << 3;
    QTest::newRow("empty") << QString() << 65535 << 0;
    QTest::newRow("letter first") << QStringLiteral("国内长途") << 0 << 0;
    QTest::newRow("two digits") << QStringLiteral("12") << 12 << 0;
    QTest::newRow("wraps at 16 bits") << QStringLiteral("65537") << 1 << 1;
}

void TestClassChange::levels()
{
    QFETCH(QString, text);
    QFETCH(int, parsed);
    QFETCH(int, level);
    QCOMPARE(int(CLevelChanger::ParseLevel(text)), parsed);
    QCOMPARE(CLevelChanger::normalizedLevel(CLevelChanger::ParseLevel(text)), level);
}

void TestClassChange::dialNumbers_data()
{
    QTest::addColumn<QList<DialPrefix>>("prefixes");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("dialled");
    const DialPrefix eight{QStringLiteral("8"), QStringLiteral("98")};
    const DialPrefix eightyOne{QStringLiteral("81"), QStringLiteral("981")};
    const DialPrefix empty{QString(), QStringLiteral("7")};
    QTest::newRow("no rows") << QList<DialPrefix>{} << QStringLiteral("8101") << QStringLiteral("8101");
    QTest::newRow("first match in sort order wins")
        << QList<DialPrefix>{eight, eightyOne} << QStringLiteral("8101") << QStringLiteral("98101");
    QTest::newRow("longer prefix first")
        << QList<DialPrefix>{eightyOne, eight} << QStringLiteral("8101") << QStringLiteral("98101");
    QTest::newRow("empty head ends the scan")
        << QList<DialPrefix>{eightyOne, empty, eight} << QStringLiteral("8201") << QStringLiteral("8201");
    QTest::newRow("no match") << QList<DialPrefix>{eightyOne} << QStringLiteral("6101")
                              << QStringLiteral("6101");
    QList<DialPrefix> many(40, DialPrefix{QStringLiteral("5"), QStringLiteral("95")});
    many.append(eight);
    QTest::newRow("rows after the fortieth are ignored")
        << many << QStringLiteral("8101") << QStringLiteral("8101");
}

void TestClassChange::dialNumbers()
{
    QFETCH(QList<DialPrefix>, prefixes);
    QFETCH(QString, extension);
    QFETCH(QString, dialled);
    QCOMPARE(CLevelChanger(prefixes).ToDialNumber(extension), dialled);
}

void TestClassChange::changeLists_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("extensions");
    QTest::addColumn<QList<int>>("levels");
    QTest::newRow("check-in") << int(ChangeForm::CheckIn)
                              << QStringLiteral("8101,2 国内长途,8102,0 最低级或默认级,")
                              << QStringList{"8101", "8102"} << QList<int>{2, 0};
    QTest::newRow("typed level without digit")
        << int(ChangeForm::Manual) << QStringLiteral("8101,国内,8102,3 国际长途,")
        << QStringList{"8101", "8102"} << QList<int>{0, 3};
    QTest::newRow("empty level text") << int(ChangeForm::CheckIn) << QStringLiteral("8101,,8102,1 市话,")
                                      << QStringList{"8101", "8102"} << QList<int>{0, 1};
    QTest::newRow("check-out") << int(ChangeForm::CheckOut) << QStringLiteral("8101,8102,")
                               << QStringList{"8101", "8102"} << QList<int>{0, 0};
    QTest::newRow("empty") << int(ChangeForm::CheckOut) << QString() << QStringList{} << QList<int>{};
}

void TestClassChange::changeLists()
{
    QFETCH(int, form);
    QFETCH(QString, text);
    QFETCH(QStringList, extensions);
    QFETCH(QList<int>, levels);
    QStringList gotExtensions;
    QList<int> gotLevels;
    for (const ChangeEntry& entry : ChangeList::entries(ChangeForm(form), text))
        gotExtensions << entry.extension, gotLevels << entry.level;
    QCOMPARE(gotExtensions, extensions);
    QCOMPARE(gotLevels, levels);
}

void TestClassChange::modemDialStrings_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<int>("pauseMs");
    QTest::newRow("check-in of two rooms")
        << int(ChangeForm::CheckIn) << QStringLiteral("8101,2 国内长途,8102,3 国际长途,")
        << QStringLiteral("atdtA28101,,,A38102\r") << 4000 + 13000;
    QTest::newRow("check-out of two rooms") << int(ChangeForm::CheckOut) << QStringLiteral("8101,8102,")
                                            << QStringLiteral("atdtA08101,,,A08102\r") << 4000 + 18000;
    QTest::newRow("manual, one room") << int(ChangeForm::Manual) << QStringLiteral("8101,1 市话,")
                                      << QStringLiteral("atdtA18101\r") << 4000 + 12000;
    QTest::newRow("empty check-out sends a bare CR")
        << int(ChangeForm::CheckOut) << QString() << QStringLiteral("\r") << 4000 + 6000;
}

void TestClassChange::modemDialStrings()
{
    QFETCH(int, form);
    QFETCH(QString, list);
    QFETCH(QString, sent);
    QFETCH(int, pauseMs);
    const ClassChangeJob job =
        ClassChangeJob::forChangeList(ChangeForm(form), list, modemSettings(), CLevelChanger());
    QVERIFY(job.viaModem);
    QCOMPARE(job.modemPort, 2);
    QCOMPARE(job.steps.size(), 1);
    QCOMPARE(job.steps.first().text, sent);
    QCOMPARE(job.totalPauseMs(), pauseMs);

    // An empty check-in sends nothing at all.
    QVERIFY(ClassChangeJob::forChangeList(ChangeForm::CheckIn, QString(), modemSettings(), CLevelChanger())
                .steps.isEmpty());
    // The downgrade at the deposit dials the default code with the prefix rows applied.
    const ClassChangeJob one =
        ClassChangeJob::forStation(QStringLiteral("8101"), 0, modemSettings(),
                                   CLevelChanger({{QStringLiteral("8"), QStringLiteral("98")}}));
    QCOMPARE(one.steps, (SendSteps{{QStringLiteral("atdtA098101\r"), 4000, QStringLiteral("8101")}}));
}

void TestClassChange::dcaDialogue()
{
    // Check-out: the lowest class, no extra pause after the edit block.
    QCOMPARE(ClassChangeJob::forChangeList(ChangeForm::CheckOut, QStringLiteral("8101,"), dcaSettings(),
                                           CLevelChanger())
                 .steps,
             expectedDialogue({{QStringLiteral("8101"), 7}}, 200));
    // Check-in: each level's class number, 100 ms more after each block.
    QCOMPARE(ClassChangeJob::forChangeList(ChangeForm::CheckIn, QStringLiteral("8101,2 国内长途,8102,国内,"),
                                           dcaSettings(),
                                           CLevelChanger({{QStringLiteral("8"), QStringLiteral("98")}}))
                 .steps,
             expectedDialogue({{QStringLiteral("8101"), 12}, {QStringLiteral("8102"), 7}}, 300));
    // An empty list still logs in and out.
    QCOMPARE(
        ClassChangeJob::forChangeList(ChangeForm::Manual, QString(), dcaSettings(), CLevelChanger()).steps,
        expectedDialogue({}, 0));
    QCOMPARE(ClassChangeJob::forStation(QStringLiteral("8101"), 0, dcaSettings(), CLevelChanger()).steps,
             expectedDialogue({{QStringLiteral("8101"), 7}}, 200));
}

void TestClassChange::eventLoopRunsWhileSending()
{
    RecordingPrompt prompt;
    TimedCommControl port;
    port.setPortOpen(true);
    QStringList events;
    ClassChangeSender sender(port, nullptr);
    sender.setIntakeHold([&] { events << QStringLiteral("hold"); },
                         [&] { events << QStringLiteral("release"); });
    QSignalSpy finished(&sender, &ClassChangeSender::changeFinished);

    bool timerFired = false;
    QTimer::singleShot(60, [&] {
        timerFired = true;
        events << QStringLiteral("timer");
    });
    sender.enqueue(pauses({100, 100, 50}));
    // Nothing is written inside the call that asked for the change.
    QVERIFY(port.writes.isEmpty());
    QVERIFY(sender.busy());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(timerFired);
    QCOMPARE(events, (QStringList{"hold", "timer", "release"}));
    QCOMPARE(port.written, QStringLiteral("w0w1w2"));
    QVERIFY(port.writes.at(1).ms - port.writes.at(0).ms >= 100);
    QVERIFY(port.writes.at(2).ms - port.writes.at(1).ms >= 100);
    QVERIFY(!sender.busy());
    QCOMPARE(prompt.texts, QStringList());
}

void TestClassChange::oneChangeAtATime()
{
    RecordingPrompt prompt;
    TimedCommControl port;
    port.setPortOpen(true);
    int holds = 0;
    int maxHolds = 0;
    ClassChangeSender sender(port, nullptr);
    sender.setIntakeHold([&] { maxHolds = qMax(maxHolds, ++holds); }, [&] { --holds; });
    QSignalSpy idle(&sender, &ClassChangeSender::idle);

    ClassChangeJob second = pauses({10});
    second.steps.first().text = QStringLiteral("second");
    sender.enqueue(pauses({80, 80}));
    sender.enqueue(second);
    QCOMPARE(sender.waiting(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(idle.size(), 1, 5000);
    QCOMPARE(port.written, QStringLiteral("w0w1second"));
    // The second change starts only after the first one's last pause.
    QVERIFY(port.writes.at(2).ms - port.writes.at(1).ms >= 80);
    QCOMPARE(maxHolds, 1);
    QCOMPARE(holds, 0);
}

void TestClassChange::closedPortStopsAtFirstWrite()
{
    RecordingPrompt prompt;
    TimedCommControl port;
    bool released = false;
    ClassChangeSender sender(port, nullptr);
    sender.setIntakeHold([] {}, [&] { released = true; });
    QSignalSpy finished(&sender, &ClassChangeSender::changeFinished);
    sender.enqueue(ClassChangeJob::forChangeList(ChangeForm::CheckOut, QStringLiteral("8101,"), dcaSettings(),
                                                 CLevelChanger()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(port.written, QString());
    QCOMPARE(prompt.texts, QStringList{ClassChangeSender::portClosedText()});
    QVERIFY(released);
}

void TestClassChange::modemOpenedForTheChangeOnly()
{
    RecordingPrompt prompt;
    TimedCommControl cdr;
    cdr.setPortOpen(true);
    // What each modem control saw, kept when the sender destroys it.
    struct Seen
    {
        QStringList log;
        QString written;
    };
    QList<Seen> modems;
    QString refuse;
    class Modem : public FakeCommControl
    {
    public:
        explicit Modem(QList<Seen>& seen) : m_seen(seen) {}
        ~Modem() override { m_seen.append({log, written}); }

    private:
        QList<Seen>& m_seen;
    };
    ClassChangeSender sender(cdr, [&] {
        auto modem = std::make_unique<Modem>(modems);
        modem->refuseOpen = refuse;
        return modem;
    });
    bool held = false;
    sender.setIntakeHold([&] { held = true; }, [] {});
    sender.setPauseScale(0.001);
    QSignalSpy finished(&sender, &ClassChangeSender::changeFinished);

    sender.enqueue(ClassChangeJob::forChangeList(ChangeForm::CheckIn, QStringLiteral("8101,2 国内长途,"),
                                                 modemSettings(), CLevelChanger()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
    QCOMPARE(finished.first().first().toBool(), true);
    QCOMPARE(modems.size(), 1);
    QCOMPARE(modems.first().written, QStringLiteral("atdtA28101\r"));
    QCOMPARE(modems.first().log, (QStringList{"CommPort=2", "Settings=9600,N,8,1", "OutBufferSize=512",
                                              "PortOpen=1", "PortOpen=0"}));
    QCOMPARE(cdr.written, QString());
    QVERIFY(!held); // the CDR line is not involved

    // A modem port that will not open: its reason is shown, nothing is sent.
    refuse = QStringLiteral("No such file or directory");
    sender.enqueue(ClassChangeJob::forStation(QStringLiteral("8101"), 0, modemSettings(), CLevelChanger()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 5000);
    QCOMPARE(finished.last().first().toBool(), false);
    QCOMPARE(modems.size(), 2);
    QCOMPARE(modems.last().written, QString());
    QCOMPARE(prompt.texts, QStringList{refuse});
}

QTEST_GUILESS_MAIN(TestClassChange)
#include "tst_classchange.moc"
