#include "CdrLines.h"
#include "RecordingPrompt.h"
#include "TestDatabase.h"

#include "hotel/CheckInSession.h"
#include "hotel/CheckOutSession.h"
#include "hotel/HotelBill.h"
#include "hotel/HotelSettingsForm.h"
#include "hotel/StationClassSession.h"
#include "rating/CCallRater.h"

#include <QTest>

using namespace qalor;
using namespace qalor::test;

namespace {

CheckInForm guest(const QString& extension, const QString& level = QStringLiteral("2 国内长途"))
{
    CheckInForm form;
    form.date = QDate(2026, 3, 14);
    form.time = QTime(12, 0, 5);
    form.extension = extension;
    form.levelText = level;
    form.deposit = 200;
    form.room = QStringLiteral("3") + extension.right(2);
    form.serviceRatio = 0.15f;
    return form;
}

void insertStay(const TestDatabase& db, const QString& extension, const QString& in, const QString& inTime,
                const QString& out, const QString& outTime, double accrued, int settled, double ratio,
                double deposit = 100)
{
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 退房日期, 退房时间, "
                       "结帐金额, 是否已经结帐, 服务费比例, 押金, 分机级别描述) VALUES ('%1', '301', '%2', "
                       "'%3', '%4', '%5', %6, %7, %8, %9, '2 国内长途')")
            .arg(extension, in, inTime, out, outTime)
            .arg(accrued)
            .arg(settled)
            .arg(ratio)
            .arg(deposit));
}

void insertCall(const TestDatabase& db, const QString& caller, const QString& called, const QString& date,
                const QString& time, double charge)
{
    db.execute(QStringLiteral(
                   "INSERT INTO 话费表 (主叫号, 被叫号, 日期, 时间, 时长, 费率, 计费单位数, 通话费, 服务费, "
                   "附加费, 通达地, 统计类型) VALUES ('%1', '%2', '%3', '%4', 130, 0.4, 2, %5, 0.1, 0.2, "
                   "'移动电话', 1)")
                   .arg(caller, called, date, time)
                   .arg(charge));
}

// A stored call added to the stay that began at the moment stay (yymmddhhmmss).
void linkCall(const TestDatabase& db, const QString& extension, const QString& stay, const QString& call,
              double charge = 1)
{
    insertCall(db, extension, QStringLiteral("138") + call.right(8), call.left(6), call.mid(6), charge);
    db.execute(
        QStringLiteral("INSERT INTO 宾馆通话表 (分机号, 入住日期, 入住时间, 被叫号, 日期, 时间) VALUES "
                       "('%1', '%2', '%3', '138%4', '%5', '%6')")
            .arg(extension, stay.left(6), stay.mid(6), call.right(8), call.left(6), call.mid(6)));
}

// Refuses every change of 宾馆管理表 with "register locked".
void lockRegister(const TestDatabase& db)
{
    if (TestDatabase::isPostgres()) {
        db.execute(
            QStringLiteral("CREATE FUNCTION lock_register() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                           "'register locked'; END $$ LANGUAGE plpgsql"));
        db.execute(QStringLiteral("CREATE TRIGGER lock_register BEFORE UPDATE ON 宾馆管理表 FOR EACH ROW "
                                  "EXECUTE FUNCTION lock_register()"));
    } else {
        db.execute(QStringLiteral("CREATE TRIGGER lock_register BEFORE UPDATE ON 宾馆管理表 "
                                  "BEGIN SELECT RAISE(ABORT, 'register locked'); END"));
    }
}

QStringList stays(const TestDatabase& db, const QString& where = QStringLiteral("1=1"))
{
    return db.column(
        QStringLiteral("SELECT 分机号 || '|' || 房间号 || '|' || 入住日期 || '|' || 入住时间 || '|' || "
                       "COALESCE(退房日期, '') || '|' || CAST(结帐金额 AS INTEGER) || '|' || "
                       "CAST(押金 AS INTEGER) || '|' || 是否已经结帐 || '|' || 分机级别描述 FROM 宾馆管理表 "
                       "WHERE ") +
        where + QStringLiteral(" ORDER BY 分机号, 入住日期"));
}

PageGeometry a4()
{
    return PageGeometry{4760, 6814, 85};
}

} // namespace

class TestHotelRegister : public QObject
{
    Q_OBJECT
private slots:
    void checkInCollectsTheChangeList();
    void openStayOverwrittenOrKept_data();
    void openStayOverwrittenOrKept();
    void emptyExtension();
    void amountDue_data();
    void amountDue();
    void checkOutRefusals();
    void checkOutFailureShownAndNothingSettled();
    void settingsChecked_data();
    void settingsChecked();
    void settingsSaved();
    void stayWindow_data();
    void stayWindow();
    void settledAtTheAmountShown();
    void nextCallGoesToTheNewGuestOnly();
    void laterStayBilled();
    void simpleBill();
    void listClosingLineOnNewPageWhenFull();
    void manualChangesLogged();
};

void TestHotelRegister::checkInCollectsTheChangeList()
{
    TestDatabase db;
    RecordingPrompt prompt;
    CheckInSession session;
    QCOMPARE(session.registerNext(guest(QStringLiteral("8101"))), DialogStep::StayClear);
    QCOMPARE(session.registerNext(guest(QStringLiteral("8102"), QStringLiteral("0 最低级或默认级"))),
             DialogStep::StayClear);
    QCOMPARE(session.registerNext(guest(QStringLiteral("8103"), QStringLiteral("国内"))),
             DialogStep::StayClear);
    QCOMPARE(session.registerAndClose(guest(QStringLiteral("8104"), QStringLiteral("3 国际长途"))),
             DialogStep::CloseOk);
    QCOMPARE(session.changeList().text(),
             QStringLiteral("8101,2 国内长途,8102,0 最低级或默认级,8103,国内,8104,3 国际长途,"));
    QCOMPARE(session.changeList().count(), 4);
    QCOMPARE(stays(db), (QStringList{"8101|301|260314|120005||0|200|0|2 国内长途",
                                     "8102|302|260314|120005||0|200|0|0 最低级或默认级",
                                     "8103|303|260314|120005||0|200|0|国内",
                                     "8104|304|260314|120005||0|200|0|3 国际长途"}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT 服务费比例 FROM 宾馆管理表 WHERE 分机号='8101'")).toFloat(),
             0.15f);
    QCOMPARE(prompt.texts, QStringList());
}

void TestHotelRegister::openStayOverwrittenOrKept_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("next");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("list");
    const QString kept = QStringLiteral("8101|301|260301|080000|260302|45|100|0|2 国内长途");
    const QString overwritten = QStringLiteral("8101|301|260314|120005|260302|0|200|0|1 市话");
    QTest::newRow("OK overwrites, 登记/退出")
        << true << false << int(DialogStep::CloseOk) << overwritten << QStringLiteral("8101,1 市话,");
    QTest::newRow("Cancel keeps, 登记/退出 still closes with OK")
        << false << false << int(DialogStep::CloseOk) << kept << QString();
    QTest::newRow("Cancel keeps, 登记下一个 stays")
        << false << true << int(DialogStep::Stay) << kept << QString();
}

void TestHotelRegister::openStayOverwrittenOrKept()
{
    QFETCH(bool, answer);
    QFETCH(bool, next);
    QFETCH(int, step);
    QFETCH(QString, row);
    QFETCH(QString, list);
    TestDatabase db;
    RecordingPrompt prompt;
    prompt.answers << answer;
    // An open stay whose check-out fields were filled by hand.
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260301"), QStringLiteral("080000"),
               QStringLiteral("260302"), QStringLiteral("090000"), 45, 0, 0.1);
    // A call added to it, and one of an earlier stay of the extension.
    linkCall(db, QStringLiteral("8101"), QStringLiteral("260301080000"), QStringLiteral("260301120000"));
    linkCall(db, QStringLiteral("8101"), QStringLiteral("260201080000"), QStringLiteral("260201120000"));
    CheckInSession session;
    CheckInForm form = guest(QStringLiteral("8101"), QStringLiteral("1 市话"));
    form.room = QStringLiteral("301");
    const DialogStep got = next ? session.registerNext(form) : session.registerAndClose(form);
    QCOMPARE(int(got), step);
    QCOMPARE(stays(db), QStringList{row});
    QCOMPARE(session.changeList().text(), list);
    // Charges that start again at 0 take their calls off the bill.
    QCOMPARE(db.column(QStringLiteral("SELECT 入住日期 FROM 宾馆通话表 ORDER BY 入住日期")),
             answer ? QStringList{"260201"} : QStringList({"260201", "260301"}));
    QCOMPARE(prompt.texts,
             QStringList{QStringLiteral("该分机已经登记，\n更改登记按‘确定’，\n保留原登记按‘取消’！")});
}

void TestHotelRegister::emptyExtension()
{
    TestDatabase db;
    RecordingPrompt prompt;
    CheckInSession checkIn;
    QCOMPARE(checkIn.registerNext(guest(QString())), DialogStep::Stay);
    QCOMPARE(checkIn.registerAndClose(guest(QString())), DialogStep::CloseCancel);
    CheckOutSession checkOut;
    QCOMPARE(checkOut.settleNext(QString(), QDate(2026, 3, 15), QTime(9, 0)), DialogStep::Stay);
    QCOMPARE(checkOut.settleAndClose(QString(), QDate(2026, 3, 15), QTime(9, 0)), DialogStep::CloseCancel);
    QCOMPARE(prompt.texts, (QStringList{"请输入分机号!", "请先输入分机号!"}));
    QCOMPARE(stays(db), QStringList());
}

void TestHotelRegister::amountDue_data()
{
    QTest::addColumn<double>("accrued");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<QString>("shown");
    QTest::newRow("12.5 with 10 %") << 12.5 << 0.1 << QStringLiteral("13.75");
    QTest::newRow("0.5 without service") << 0.5 << 0.0 << QStringLiteral("0.50");
    QTest::newRow("nothing") << 0.0 << 0.15 << QStringLiteral("0.00");
    // 4.50 + 0.68: the fee is rounded once from the shown amount, and the
    // total is what the guest adds up (not 4.50 x 1.15 = 5.175 -> 5.17).
    QTest::newRow("4.50 with 15 %") << 4.5 << 0.15 << QStringLiteral("5.18");
    QTest::newRow("0.35 reckoned as typed") << 10.0 << 0.35 << QStringLiteral("13.50");
    // A fee of half a cent: 10 cents x 0.35 = 3.5 cents, 0.04; the single
    // 0.35 (0.349999994) in floating point gives 0.0349999994 and 0.03.
    QTest::newRow("a fee of half a cent") << 0.1 << 0.35 << QStringLiteral("0.14");
}

void TestHotelRegister::amountDue()
{
    QFETCH(double, accrued);
    QFETCH(double, ratio);
    QFETCH(QString, shown);
    TestDatabase db;
    RecordingPrompt prompt;
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260314"), QStringLiteral("120000"), QString(),
               QString(), accrued, 0, ratio);
    CheckOutSession session;
    QCOMPARE(session.settleNext(QStringLiteral("8101"), QDate(2026, 3, 16), QTime(10, 30, 1)),
             DialogStep::StayClear);
    QCOMPARE(session.amountText(), shown);
    QCOMPARE(session.changeList().text(), QStringLiteral("8101,"));
    QCOMPARE(db.column(QStringLiteral("SELECT 退房日期 || 退房时间 || '|' || 是否已经结帐 FROM 宾馆管理表")),
             QStringList{QStringLiteral("260316103001|1")});
    // The amount is shown only: the row keeps what was accrued. It is shown
    // before the stay is settled.
    QCOMPARE(db.scalar(QStringLiteral("SELECT 结帐金额 FROM 宾馆管理表")).toDouble(), accrued);
    QCOMPARE(
        prompt.texts,
        QStringList{QStringLiteral("分机号: 8101\n房间号: 301\n结帐金额: %1\n押金: 100.00\n\n确定退房结算吗?")
                        .arg(shown)});
}

void TestHotelRegister::checkOutRefusals()
{
    TestDatabase db;
    RecordingPrompt prompt;
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260301"), QStringLiteral("080000"), QString(),
               QString(), 5, 0, 0);
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260302"), QStringLiteral("080000"), QString(),
               QString(), 6, 0, 0);
    CheckOutSession session;
    // Two open rows: neither is settled; with nothing settled the dialog does
    // not close as a settlement.
    QCOMPARE(session.settleAndClose(QStringLiteral("8101"), QDate(2026, 3, 15), QTime(9, 0)),
             DialogStep::CloseCancel);
    QCOMPARE(session.settleAndClose(QStringLiteral("8109"), QDate(2026, 3, 15), QTime(9, 0)),
             DialogStep::Stay);
    QCOMPARE(prompt.texts, (QStringList{"同一分机多次登记!请先更正.", "该分机尚未登记!请先登记."}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 宾馆管理表 WHERE 是否已经结帐=0")),
             QStringLiteral("2"));
    QVERIFY(session.changeList().isEmpty());
}

void TestHotelRegister::checkOutFailureShownAndNothingSettled()
{
    TestDatabase db;
    RecordingPrompt prompt;
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260301"), QStringLiteral("080000"), QString(),
               QString(), 5, 0, 0);
    lockRegister(db);
    CheckOutSession session;
    QCOMPARE(session.settleAndClose(QStringLiteral("8101"), QDate(2026, 3, 15), QTime(9, 0)),
             DialogStep::Stay);
    QCOMPARE(session.settleNext(QStringLiteral("8101"), QDate(2026, 3, 15), QTime(9, 0)), DialogStep::Stay);
    // Each time: the amount asked about, then the refusal.
    QCOMPARE(prompt.texts.size(), 4);
    QCOMPARE(prompt.texts.filter(QStringLiteral("register locked")).size(), 2);
    QVERIFY(session.changeList().isEmpty());
    QVERIFY(session.amountText().isEmpty());
    QCOMPARE(db.scalar(QStringLiteral("SELECT 是否已经结帐 FROM 宾馆管理表")), QStringLiteral("0"));
}

void TestHotelRegister::settingsChecked_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("refusal");
    const QString classRange = QStringLiteral("“请填入一个在0和225之间的整数。”");
    const QString portRange = QStringLiteral("“请填入一个在1和3之间的整数。”");
    QTest::newRow("class 226") << "international"
                               << "226" << classRange;
    QTest::newRow("lowest class -1") << "lowest"
                                     << "-1" << classRange;
    QTest::newRow("class not a number") << "local"
                                        << "x" << QStringLiteral("请键入一个整数。");
    QTest::newRow("port 0") << "port"
                            << "0" << portRange;
    QTest::newRow("port 4") << "port"
                            << "4" << portRange;
    QTest::newRow("database of two characters") << "database"
                                                << "AB" << QStringLiteral("请键入不超过1个字符。");
    QTest::newRow("class 225 and port 3 pass") << "international"
                                               << "225" << QString();
}

void TestHotelRegister::settingsChecked()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, refusal);
    HotelSettingsForm form = HotelSettingsForm::from(HotelSettings());
    form.modemPort = QStringLiteral("3");
    if (field == QLatin1String("international"))
        form.internationalClass = value;
    else if (field == QLatin1String("lowest"))
        form.lowestClass = value;
    else if (field == QLatin1String("local"))
        form.localClass = value;
    else if (field == QLatin1String("port"))
        form.modemPort = value;
    else
        form.database = value;
    HotelSettings settings;
    settings.userName = QStringLiteral("untouched");
    QString got;
    QCOMPARE(form.parse(settings, got), refusal.isEmpty());
    QCOMPARE(got, refusal);
    QCOMPARE(settings.userName, refusal.isEmpty() ? QString() : QStringLiteral("untouched"));
}

void TestHotelRegister::settingsSaved()
{
    TestDatabase db;
    RecordingPrompt prompt;
    // No route chosen on an empty table stores route 0 and creates the row.
    HotelSettingsForm form;
    form.userName = QStringLiteral("pbx");
    form.password = QStringLiteral("secret");
    form.database = QStringLiteral("A");
    for (QString* number :
         {&form.internationalClass, &form.domesticClass, &form.localClass, &form.lowestClass})
        *number = QStringLiteral("9");
    form.modemPort = QStringLiteral("2");
    form.autoChange = true;
    HotelSettings settings;
    QString refusal;
    QVERIFY(form.parse(settings, refusal));
    QVERIFY(HotelSettings::save(settings));
    QCOMPARE(db.column(QStringLiteral(
                 "SELECT 升降级方式 || '|' || 是否自动升降级 || '|' || 用户名 || '|' || 口令 || "
                 "'|' || 串口号 || '|' || 数据库 FROM 宾馆分机升降级设置表")),
             QStringList{QStringLiteral("0|1|pbx|secret|2|A")});
    // The next save edits the one row.
    settings.viaModem = 1;
    settings.userName = QStringLiteral("pbx2");
    QVERIFY(HotelSettings::save(settings));
    HotelSettings loaded;
    QVERIFY(HotelSettings::load(loaded));
    QCOMPARE(loaded.viaModem, 1);
    QCOMPARE(loaded.userName, QStringLiteral("pbx2"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 宾馆分机升降级设置表")), QStringLiteral("1"));

    // A failed write is shown with the database's text, not passed over.
    db.execute(QStringLiteral("DROP TABLE 宾馆分机升降级设置表"));
    QVERIFY(!HotelSettings::save(settings));
    QCOMPARE(prompt.texts.size(), 1);
    QVERIFY(!prompt.texts.first().isEmpty());
}

void TestHotelRegister::stayWindow_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("linked");
    // A call belongs to the stay it was added to, whenever it began: one
    // that began before check-in and ended after it, and the very seconds of
    // check-in and check-out, are listed when they were added.
    QTest::newRow("across three days")
        << QStringLiteral("260314230000") << QStringLiteral("260316010000")
        << QStringList{"260314225959", "260314230000", "260315120000", "260316010000"};
    QTest::newRow("one day") << QStringLiteral("260315000000") << QStringLiteral("260315235959")
                             << QStringList{"260315120000"};
}

void TestHotelRegister::stayWindow()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QFETCH(QStringList, linked);
    TestDatabase db;
    RecordingPrompt prompt;
    insertStay(db, QStringLiteral("8101"), in.left(6), in.mid(6), out.left(6), out.mid(6), 3, 1, 0.1);
    for (const QString& moment : linked)
        linkCall(db, QStringLiteral("8101"), in, moment, 0.25);
    // Not added to this stay: inside its time, but stored while no stay was
    // open; added to an earlier stay; made from another extension.
    insertCall(db, QStringLiteral("8101"), QStringLiteral("13900000000"), QStringLiteral("260315"),
               QStringLiteral("130000"), 1);
    linkCall(db, QStringLiteral("8101"), QStringLiteral("260301080000"), QStringLiteral("260315140000"));
    linkCall(db, QStringLiteral("8102"), in, QStringLiteral("260315120000"));

    HotelStay stay;
    QVERIFY(HotelBill::findSettledStay(QStringLiteral("8101"), stay));
    QCOMPARE(stay.room, QStringLiteral("301"));
    QList<BilledCall> calls;
    QVERIFY(HotelBill::loadCalls(stay, calls));
    QStringList got;
    for (const BilledCall& call : calls)
        got << call.date + call.time;
    QCOMPARE(got, linked);
    QCOMPARE(prompt.texts, QStringList());
}

void TestHotelRegister::settledAtTheAmountShown()
{
    // A call from another workstation lands while the receptionist reads
    // the question: the stay is not settled at the old figure, the question
    // comes again with the new one.
    struct ChargingPrompt : RecordingPrompt
    {
        const TestDatabase* db = nullptr;
        bool askOkCancel(const QString& text, const QString& caption) override
        {
            if (texts.isEmpty())
                db->execute(QStringLiteral("UPDATE 宾馆管理表 SET 结帐金额=5.5"));
            return RecordingPrompt::askOkCancel(text, caption);
        }
    };
    TestDatabase db;
    ChargingPrompt prompt;
    prompt.db = &db;
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260314"), QStringLiteral("120000"), QString(),
               QString(), 4.5, 0, 0.15, 50);
    CheckOutSession session;
    QCOMPARE(session.settleNext(QStringLiteral("8101"), QDate(2026, 3, 16), QTime(10, 30, 1)),
             DialogStep::StayClear);
    const QString question =
        QStringLiteral("分机号: 8101\n房间号: 301\n结帐金额: %1\n押金: 50.00\n\n确定退房结算吗?");
    // 4.50 + 0.675 is 5.18 on paper; 5.50 + 0.825 is 6.33.
    QCOMPARE(prompt.texts, (QStringList{question.arg("5.18"), question.arg("6.33")}));
    QCOMPARE(session.amountText(), QStringLiteral("6.33"));

    // Cancel settles nothing.
    insertStay(db, QStringLiteral("8102"), QStringLiteral("260314"), QStringLiteral("120000"), QString(),
               QString(), 1, 0, 0);
    prompt.answers << false;
    QCOMPARE(session.settleAndClose(QStringLiteral("8102"), QDate(2026, 3, 16), QTime(10, 31)),
             DialogStep::Stay);
    QCOMPARE(db.column(QStringLiteral("SELECT 分机号 FROM 宾馆管理表 WHERE 是否已经结帐=0")),
             QStringList{"8102"});
    QCOMPARE(session.changeList().text(), QStringLiteral("8101,"));
}

void TestHotelRegister::nextCallGoesToTheNewGuestOnly()
{
    // Two engines on one data source (as two workstations, or a workstation
    // and a collector); neither is told of the check-out and check-in.
    TestDatabase db(true);
    RecordingPrompt prompt;
    CheckInSession checkIn;
    QCOMPARE(checkIn.registerGuest(guest(QStringLiteral("8012"))), CheckInSession::Outcome::Registered);
    CCallRater first;
    CCallRater second;
    const auto price = [](CCallRater& engine, int i) {
        QString record;
        QCOMPARE(engine.preproccdr(mobileCall(i, QStringLiteral("8012")).line(), record), 1);
        QCOMPARE(engine.PriceAndStore(record), 1);
    };
    price(first, 0);
    CheckOutSession checkOut;
    QCOMPARE(checkOut.settleNext(QStringLiteral("8012"), QDate(2026, 3, 15), QTime(9, 0)),
             DialogStep::StayClear);
    CheckInForm next = guest(QStringLiteral("8012"));
    next.date = QDate(2026, 3, 15);
    next.time = QTime(9, 5);
    QCOMPARE(checkIn.registerGuest(next), CheckInSession::Outcome::Registered);
    price(second, 1);
    price(first, 2);
    QCOMPARE(
        db.column(QStringLiteral("SELECT 入住日期 || '|' || 结帐金额 || '|' || 是否已经结帐 FROM 宾馆管理表 "
                                 "ORDER BY 入住日期")),
        (QStringList{"260314|0.8|1", "260315|1.6|0"}));
    QCOMPARE(db.column(QStringLiteral("SELECT 入住日期 || 被叫号 FROM 宾馆通话表 ORDER BY 被叫号")),
             (QStringList{"26031413800130000", "26031513800130001", "26031513800130002"}));
}

void TestHotelRegister::laterStayBilled()
{
    TestDatabase db;
    RecordingPrompt prompt;
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260310"), QStringLiteral("080000"),
               QStringLiteral("260312"), QStringLiteral("090000"), 7, 1, 0);
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260301"), QStringLiteral("080000"),
               QStringLiteral("260312"), QStringLiteral("100000"), 9, 1, 0);
    insertStay(db, QStringLiteral("8101"), QStringLiteral("260313"), QStringLiteral("080000"), QString(),
               QString(), 11, 0, 0);
    HotelStay stay;
    QVERIFY(HotelBill::findSettledStay(QStringLiteral("8101"), stay));
    QCOMPARE(stay.checkOutTime, QStringLiteral("100000"));
    QCOMPARE(stay.accrued, Money::fromCents(900));

    // Nothing settled, or no calls in the stay: why nothing prints.
    QVERIFY(!HotelBill::findSettledStay(QStringLiteral("8102"), stay));
    QVERIFY(HotelBill::findSettledStay(QStringLiteral("8101"), stay));
    QList<BilledCall> calls;
    QVERIFY(!HotelBill::loadCalls(stay, calls));
    QCOMPARE(prompt.texts, (QStringList{"该分机没有登记或结帐,\n无法打印.", "无该分机通话记录,\n不打印!"}));
}

void TestHotelRegister::simpleBill()
{
    HotelStay stay;
    stay.extension = QStringLiteral("8101");
    stay.checkInDate = QStringLiteral("260314");
    stay.checkOutDate = QStringLiteral("260316");
    stay.accrued = Money::fromCents(10000);
    stay.serviceRatio = 0.1f;
    const ReportDocument bill = HotelBill::simpleBill(stay, QStringLiteral("张三"), QStringLiteral("8101"),
                                                      QStringLiteral(" "), QDate(2026, 3, 16), a4());
    QCOMPARE(bill.name, QStringLiteral("宾馆电话结帐单"));
    QCOMPARE(bill.pages.size(), 1);
    QStringList texts;
    int rules = 0;
    for (const PageItem& item : bill.pages.first().items) {
        if (item.kind == PageItem::Kind::Rule) {
            ++rules;
            QCOMPARE(item.x2, 4760 - 30);
        } else {
            texts << QStringLiteral("%1,%2 %3").arg(item.x).arg(item.y).arg(item.text);
        }
    }
    QCOMPARE(rules, 6);
    // The first copy whole; the other two start 17 line slots further down.
    const QStringList first{
        "80,16 宾馆电话费  结帐单             第1联",
        "40,255   张三: 贵单位  20260314 至20260316 发生通信费用如下:",
        "40,425     分机号:8101    房间号: ",
        "40,510     电话费:  100.00     服务费:   10.00",
        "40,765             合计:110.00  元人民币",
        "40,850                               2026年03月16日",
        "40,1020    ---------------Cut--------Line---------------盖----章--------------",
    };
    QCOMPARE(texts.mid(0, 7), first);
    QCOMPARE(texts.at(7), QStringLiteral("80,1190 宾馆电话费  结帐单             第2联"));
    QCOMPARE(texts.at(14), QStringLiteral("80,2380 宾馆电话费  结帐单             第3联"));
    QCOMPARE(texts.size(), 20); // no cut line after the third copy

    // The three amounts add up on paper: 4.50 + 0.68 = 5.18 on every copy.
    stay.accrued = Money::fromCents(450);
    stay.serviceRatio = 0.15f;
    const ReportDocument awkward = HotelBill::simpleBill(stay, QStringLiteral("张三"), QStringLiteral("8101"),
                                                         QStringLiteral("301"), QDate(2026, 3, 16), a4());
    QStringList amounts;
    for (const PageItem& item : awkward.pages.first().items) {
        if (item.text.contains(QStringLiteral("电话费:")) || item.text.contains(QStringLiteral("合计:")))
            amounts << item.text.simplified();
    }
    QCOMPARE(amounts, (QStringList{"电话费: 4.50 服务费: 0.68", "合计:5.18 元人民币", "电话费: 4.50 服务费: 0.68",
                                   "合计:5.18 元人民币", "电话费: 4.50 服务费: 0.68", "合计:5.18 元人民币"}));
}

void TestHotelRegister::listClosingLineOnNewPageWhenFull()
{
    HotelStay stay;
    stay.extension = QStringLiteral("8101");
    stay.checkInDate = QStringLiteral("260314");
    stay.checkOutDate = QStringLiteral("260316");
    stay.serviceRatio = 0.1f;
    // A page 45 list lines high holds the title, the heading and 41 calls
    // before it is ended (a line index of 43 = 45 - 2).
    BilledCall call{QStringLiteral("8101"),
                    QStringLiteral("13800138000"),
                    QStringLiteral("260315"),
                    QStringLiteral("093000"),
                    130,
                    0.4f,
                    2,
                    0.8f,
                    0.1f,
                    0.2f,
                    QStringLiteral("移动电话")};
    const QList<BilledCall> calls(41, call);
    const ReportDocument list = HotelBill::itemisedList(stay, calls, QStringLiteral("张三"), a4());
    QCOMPARE(list.name, QStringLiteral("张三旅客的电话费详单    "));
    QCOMPARE(list.geometry.lineHeight, 6814 / 45);
    QCOMPARE(list.pages.size(), 2);
    const int h = 6814 / 45;
    const QList<PageItem>& page = list.pages.first().items;
    QCOMPARE(page.size(), 43);
    QCOMPARE(page.first().text,
             QStringLiteral("      话费详单  2026年03月14日 至 2026年03月16日        第1页"));
    QCOMPARE(page.at(2).text, QStringLiteral("   8101 13800138000       260315 093000    130  0.40     2    "
                                             "0.80   0.10   0.20   移动电话"));
    QCOMPARE(page.at(2).y, 2 * h);
    // The closing line alone on a new page, one empty line down; 41 × 1.10 = 45.10.
    QCOMPARE(list.pages.last().items.size(), 1);
    const PageItem closing = list.pages.last().items.first();
    QCOMPARE(closing.y, h);
    QCOMPARE(closing.text, QStringLiteral("         小计金额:45.10 +45.10x0.10 =49.61"));

    // Each call counts with the cents its line shows (0.335 is 0.34), and a
    // ratio keeps the digits it was typed with.
    call.charge = 0.335f;
    call.serviceCharge = 0;
    call.surcharge = 0.125f;
    stay.serviceRatio = 0.125f;
    const ReportDocument awkward = HotelBill::itemisedList(stay, QList<BilledCall>(3, call), QStringLiteral("张三"), a4());
    QCOMPARE(awkward.pages.last().items.last().text,
             QStringLiteral("         小计金额:1.41 +1.41x0.125 =1.59"));
}

void TestHotelRegister::manualChangesLogged()
{
    TestDatabase db;
    RecordingPrompt prompt;
    {
        StationClassSession session;
        QCOMPARE(session.confirm(QString(), QStringLiteral("1 市话")), DialogStep::CloseCancel);
    }
    StationClassSession session;
    QCOMPARE(session.next(QString(), QStringLiteral("1 市话")), DialogStep::Stay);
    QCOMPARE(session.next(QStringLiteral("8101"), QStringLiteral("1 市话")), DialogStep::StayClear);
    QCOMPARE(session.confirm(QStringLiteral("8102"), QStringLiteral("0 最低级别或默认级别")),
             DialogStep::CloseOk);
    QCOMPARE(session.changeList().text(), QStringLiteral("8101,1 市话,8102,0 最低级别或默认级别,"));
    QCOMPARE(db.column(QStringLiteral(
                 "SELECT 分机号 || '|' || 级别信息 FROM 分机级别更改记录表 ORDER BY 日期, 分机号")),
             (QStringList{"8101|1 市话", "8102|0 最低级别或默认级别"}));
    const QString logged = db.scalar(QStringLiteral("SELECT MIN(日期) FROM 分机级别更改记录表"));
    QVERIFY(QDateTime::fromString(logged, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    QCOMPARE(prompt.texts, QStringList());
}

QTEST_GUILESS_MAIN(TestHotelRegister)
#include "tst_hotel_register.moc"
