#include "TestDatabase.h"
#include "WebProcess.h"

#include "access/AdminAccounts.h"
#include "db/CDatabase.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace qalor;
using namespace qalor::test;

namespace {

QStringList auditRows(const TestDatabase& db)
{
    return db.column(
        QStringLiteral("SELECT 管理员名 || '|' || 操作 || '|' || 操作结果 FROM LOGINFO ORDER BY ID"));
}

qint64 cents(const QJsonValue& text)
{
    bool ok = false;
    const double value = text.toString().toDouble(&ok);
    return ok ? qRound64(value * 100) : -1;
}

QStringList pdfLines(const QByteArray& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QStringLiteral("-"), QStringLiteral("-")});
    process.write(pdf);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    QStringList lines;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n')))
        lines << line.simplified();
    return lines;
}

} // namespace

class TestWebApi : public QObject
{
    Q_OBJECT
private slots:
    void sessionsLoginsAndTokens();
    void callsAreTheDetailBillToTheCent();
    void hostileParametersAreRefusedOrEscaped();
    void alertsAcknowledgedWithTheToken();
    void reportsAndStaysAsTheOtherProgramsGiveThem();
};

void TestWebApi::sessionsLoginsAndTokens()
{
    TestDatabase db;
    AdminAccounts().store(QStringLiteral("Headkeeper"), QStringLiteral("s3cret"));
    AdminAccounts().store(QStringLiteral("值班员"), QStringLiteral("duty"));
    WebProcess web(db.connectionString());
    QVERIFY2(web.ready(), web.log().constData());
    QVERIFY2(web.log().contains(web.keyFile().toUtf8()), web.log().constData());
    QCOMPARE(QFileInfo(web.keyFile()).permissions(),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    // Without a session: nothing but the login.
    for (const char* path : {"/api/status", "/api/calls", "/api/session", "/api/alerts", "/api/live"})
        QCOMPARE(web.get(QString::fromLatin1(path)).status, 401);
    WebAnswer status = web.get(QStringLiteral("/api/status"));
    QCOMPARE(status.header("Content-Security-Policy").left(18), QByteArray("default-src 'self'"));
    QCOMPARE(status.header("X-Content-Type-Options"), QByteArray("nosniff"));
    QCOMPARE(status.header("Cache-Control"), QByteArray("no-store"));

    QCOMPARE(web.post(QStringLiteral("/api/login"), {{"user", "Headkeeper"}, {"password", "S3cret"}}).status,
             401);
    const WebAnswer login =
        web.post(QStringLiteral("/api/login"), {{"user", "Headkeeper"}, {"password", "s3cret"}});
    QCOMPARE(login.status, 200);
    const QByteArray cookie = login.header("Set-Cookie");
    for (const char* attribute : {"qalor_session=", "HttpOnly", "Secure", "SameSite=Strict"})
        QVERIFY2(cookie.contains(attribute), cookie.constData());
    const QByteArray csrf = login.json().value("csrf").toString().toLatin1();
    QCOMPARE(csrf.size(), 64);
    QCOMPARE(web.get(QStringLiteral("/api/session")).json().value("user").toString(),
             QStringLiteral("Headkeeper"));
    QCOMPARE(web.get(QStringLiteral("/api/status")).status, 200);

    // A changing request without its token, or with another one, is refused
    // and changes nothing: the session goes on.
    QCOMPARE(web.post(QStringLiteral("/api/logout")).status, 403);
    QCOMPARE(web.post(QStringLiteral("/api/logout"), {}, QByteArray(64, 'a')).status, 403);
    QCOMPARE(web.get(QStringLiteral("/api/status")).status, 200);
    QCOMPARE(web.post(QStringLiteral("/api/logout"), {}, csrf).status, 200);
    QCOMPARE(web.get(QStringLiteral("/api/status")).status, 401);

    // Five failed logins make the account wait: the sixth is refused even
    // with the right password; another account is not held up.
    for (int i = 0; i < 5; ++i)
        QCOMPARE(web.post(QStringLiteral("/api/login"), {{"user", "值班员"}, {"password", "wrong"}}).status,
                 401);
    const WebAnswer sixth =
        web.post(QStringLiteral("/api/login"), {{"user", "值班员"}, {"password", "duty"}});
    QCOMPARE(sixth.status, 429);
    QCOMPARE(sixth.error(), AdminAccounts::waitingText());
    QCOMPARE(web.get(QStringLiteral("/api/status")).status, 401);
    QVERIFY(!web.login(QStringLiteral("Headkeeper"), QStringLiteral("s3cret")).isEmpty());

    QStringList expected{"Headkeeper|LOGIN|失败", "Headkeeper|LOGIN|成功", "无|LOGOUT|成功"};
    for (int i = 0; i < 6; ++i)
        expected << QStringLiteral("值班员|LOGIN|失败");
    expected << QStringLiteral("Headkeeper|LOGIN|成功");
    QCOMPARE(auditRows(db), expected);
}

void TestWebApi::callsAreTheDetailBillToTheCent()
{
    TestDatabase db;
    AdminAccounts().store(QStringLiteral("Headkeeper"), QStringLiteral("s3cret"));
    db.execute(QStringLiteral("INSERT INTO 用户信息表 (电话号码, 部门编号) VALUES ('8001', 7)"));
    // Amounts whose cents a sum of the stored numbers would get wrong, over
    // three pages of the list.
    const QList<double> amounts{0.005, 0.015, 1.005, 2.675, 0.125, 0.135, 10.045, 0.3, 0.0049};
    for (int i = 0; i < 70; ++i) {
        db.execute(
            QStringLiteral("INSERT INTO 话费表 VALUES ('%1','0208765%2','2612%3','10%4',%5,0.3,2,%6,%7,%8,"
                           "'广州',1)")
                .arg(i % 3 == 0 ? QStringLiteral("8001") : QStringLiteral("8002"))
                .arg(i, 4, 10, QLatin1Char('0'))
                .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                .arg(i, 4, 10, QLatin1Char('0'))
                .arg(30 + i)
                .arg(amounts[i % amounts.size()])
                .arg(amounts[(i + 3) % amounts.size()])
                .arg(amounts[(i + 5) % amounts.size()]));
    }
    // Outside the period.
    db.execute(
        QStringLiteral("INSERT INTO 话费表 VALUES ('8001','020','261201','235959',1,0,1,5,0,0,'广州',1)"));
    WebProcess web(db.connectionString());
    QVERIFY2(web.ready(), web.log().constData());
    QVERIFY(!web.login(QStringLiteral("Headkeeper"), QStringLiteral("s3cret")).isEmpty());

    const QString query = QStringLiteral("from=2026-12-02&to=2026-12-31");
    QJsonArray rows;
    qint64 subtotals = 0;
    QString total;
    for (int page = 1;; ++page) {
        const WebAnswer answer = web.get(QStringLiteral("/api/calls?%1&page=%2").arg(query).arg(page));
        QCOMPARE(answer.status, 200);
        const QJsonObject result = answer.json();
        const QJsonArray calls = result.value("calls").toArray();
        QCOMPARE(calls.size(), page < 3 ? 30 : 7);
        qint64 pageCents = 0;
        for (const QJsonValue& call : calls) {
            const QJsonObject row = call.toObject();
            pageCents += cents(row.value("通话费")) + cents(row.value("服务费")) + cents(row.value("附加费"));
            rows.append(row);
        }
        QCOMPARE(cents(result.value("subtotal")), pageCents);
        subtotals += pageCents;
        total = result.value("total").toString();
        QCOMPARE(result.value("pages").toInt(), 3);
        if (page == 3)
            break;
    }
    QCOMPARE(rows.size(), 67);
    QCOMPARE(cents(total), subtotals);

    // The printed bill of the same query: the same calls in the same order,
    // every column as the list shows it, and its total line.
    const WebAnswer pdf = web.get(QStringLiteral("/api/calls.pdf?") + query);
    QCOMPARE(pdf.status, 200);
    QCOMPARE(pdf.header("Content-Type"), QByteArray("application/pdf"));
    QStringList billRows;
    QString billTotal;
    for (const QString& line : pdfLines(pdf.body)) {
        if (line.startsWith(QStringLiteral("小计金额:")))
            billTotal = line.mid(5);
        else if (QRegularExpression(QStringLiteral("^800[12] ")).match(line).hasMatch())
            billRows << line;
    }
    QStringList listRows;
    for (const QJsonValue& value : std::as_const(rows)) {
        const QJsonObject row = value.toObject();
        QStringList words;
        for (const char* key : {"主叫号", "被叫号", "日期", "时间", "时长", "费率", "计费单位数", "通话费",
                                "服务费", "附加费", "通达地"})
            words << row.value(QString::fromUtf8(key)).toString();
        listRows << words.join(QLatin1Char(' '));
    }
    QCOMPARE(billRows, listRows);
    QCOMPARE(billTotal, total);

    // A department: its extensions' calls only; the sheet of the same query.
    const QJsonObject department = web.get(QStringLiteral("/api/calls?%1&department=7").arg(query)).json();
    QCOMPARE(department.value("count").toInt(), 23);
    for (const QJsonValue& call : department.value("calls").toArray())
        QCOMPARE(call.toObject().value("主叫号").toString(), QStringLiteral("8001"));
    const WebAnswer sheet = web.get(QStringLiteral("/api/calls.xlsx?%1&extension=8001").arg(query));
    QCOMPARE(sheet.status, 200);
    QVERIFY(sheet.body.startsWith("PK"));
    QVERIFY(sheet.header("Content-Disposition").contains(".xlsx"));
}

void TestWebApi::hostileParametersAreRefusedOrEscaped()
{
    TestDatabase db;
    AdminAccounts().store(QStringLiteral("Headkeeper"), QStringLiteral("s3cret"));
    db.execute(
        QStringLiteral("INSERT INTO 话费表 VALUES ('8001','02087654321','261205','101010',60,0.5,1,1,0,0,"
                       "'<script>alert(1)</script>''\"',1)"));
    WebProcess web(db.connectionString());
    QVERIFY2(web.ready(), web.log().constData());

    const QString huge(10000, QLatin1Char('9'));
    // Before any session: a login that is not what it should be.
    QCOMPARE(web.send("POST", QStringLiteral("/api/login"), "{\"user\":", {}).status, 400);
    QCOMPARE(web.post(QStringLiteral("/api/login"), {{"user", huge}, {"password", "x"}}).status, 400);
    QCOMPARE(
        web.post(QStringLiteral("/api/login"), {{"user", "' OR '1'='1"}, {"password", "' OR '1'='1"}}).status,
        401);
    QVERIFY(!web.login(QStringLiteral("Headkeeper"), QStringLiteral("s3cret")).isEmpty());

    const QStringList refused{
        QStringLiteral("/api/calls?extension=8001'%20OR%20'1'='1"),
        QStringLiteral("/api/calls?extension=%3Cscript%3Ealert(1)%3C/script%3E"),
        QStringLiteral("/api/calls?extension=") + huge,
        QStringLiteral("/api/calls?from=") + huge,
        QStringLiteral("/api/calls?from=2026-02-30"),
        QStringLiteral("/api/calls?from=2026-1-5"),
        QStringLiteral("/api/calls?to=yesterday"),
        QStringLiteral("/api/calls?from=2026-12-31&to=2026-12-01"),
        QStringLiteral("/api/calls?page=0"),
        QStringLiteral("/api/calls?page=-1"),
        QStringLiteral("/api/calls?page=99999999999999999999"),
        QStringLiteral("/api/calls?department=1;DROP%20TABLE%20话费表"),
        QStringLiteral("/api/calls.pdf?from=2026-13-01"),
        QStringLiteral("/api/alerts?state=%3Cb%3E"),
        QStringLiteral("/api/live?after=-5"),
    };
    for (const QString& path : refused) {
        const WebAnswer answer = web.get(path);
        QVERIFY2(answer.status == 400, qPrintable(path.left(80) + QString::number(answer.status)));
        QVERIFY2(!answer.error().isEmpty(), qPrintable(path.left(80)));
        QCOMPARE(answer.header("Content-Type"), QByteArray("application/json; charset=utf-8"));
    }
    QCOMPARE(web.post(QStringLiteral("/api/alerts/1'--/ack"), {}, web.login("Headkeeper", "s3cret")).status,
             400);
    QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 话费表")), QStringLiteral("1"));

    // Stored text comes back as it is, inside JSON, never as markup.
    const WebAnswer calls = web.get(QStringLiteral("/api/calls?from=2026-12-01&to=2026-12-31"));
    QCOMPARE(calls.status, 200);
    QCOMPARE(calls.json().value("calls").toArray().first().toObject().value("通达地").toString(),
             QStringLiteral("<script>alert(1)</script>'\""));
    QVERIFY(!calls.body.contains("<script>"));
    // Pages are only the program's own files, by plain names.
    for (const char* path : {"/static/../CMakeLists.txt", "/static/%2e%2e%2fmain.cpp", "/static/.hidden"})
        QCOMPARE(web.get(QString::fromLatin1(path)).status, 404);
}

void TestWebApi::alertsAcknowledgedWithTheToken()
{
    TestDatabase db;
    AdminAccounts().store(QStringLiteral("Headkeeper"), QStringLiteral("s3cret"));
    for (const char* called : {"13800000001", "13800000002"})
        db.execute(
            QStringLiteral(
                "INSERT INTO 告警记录表 (主叫号, 被叫号, 日期, 时间, 通话秒数, 话费, 规则编号, "
                "规则名称, 告警说明, 告警日期, 告警时间, 确认人, 确认日期, 确认时间) VALUES ('8001', '%1', "
                "'261205', '231000', 600, 12.5, 1, '夜间长话', '超过10分钟', '20261205', "
                "'231100', '', '', '')")
                .arg(QString::fromLatin1(called)));
    const QString id = db.scalar(QStringLiteral("SELECT MIN(ID) FROM 告警记录表"));
    WebProcess web(db.connectionString());
    QVERIFY2(web.ready(), web.log().constData());
    const QByteArray csrf = web.login(QStringLiteral("Headkeeper"), QStringLiteral("s3cret"));
    QVERIFY(!csrf.isEmpty());

    QJsonObject open = web.get(QStringLiteral("/api/alerts")).json();
    QCOMPARE(open.value("open").toInt(), 2);
    const QJsonObject first = open.value("alerts").toArray().first().toObject();
    QCOMPARE(first.value("id").toInt(), id.toInt());
    QCOMPARE(first.value("被叫号").toString(), QStringLiteral("13800000001"));
    QCOMPARE(first.value("规则名称").toString(), QStringLiteral("夜间长话"));
    QCOMPARE(first.value("acknowledged").toBool(), false);

    const QString ack = QStringLiteral("/api/alerts/%1/ack").arg(id);
    QCOMPARE(web.post(ack).status, 403);
    QCOMPARE(web.get(QStringLiteral("/api/alerts")).json().value("open").toInt(), 2);
    const WebAnswer done = web.post(ack, {}, csrf);
    QCOMPARE(done.status, 200);
    QCOMPARE(done.json(), (QJsonObject{{"acknowledged", 1}, {"open", 1}}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT 确认人 FROM 告警记录表 WHERE ID=%1").arg(id)),
             QStringLiteral("Headkeeper"));
    QCOMPARE(auditRows(db).last(), QStringLiteral("Headkeeper|确认告警 %1|成功").arg(id));
    QCOMPARE(web.post(QStringLiteral("/api/alerts/999999/ack"), {}, csrf).status, 404);
    QCOMPARE(auditRows(db).last(), QStringLiteral("Headkeeper|确认告警 %1|成功").arg(id));

    const QJsonArray all = web.get(QStringLiteral("/api/alerts?state=all&from=2026-12-01&to=2026-12-31"))
                               .json()
                               .value("alerts")
                               .toArray();
    QCOMPARE(all.size(), 2);
    QStringList acknowledged;
    for (const QJsonValue& alert : all)
        acknowledged << QStringLiteral("%1 %2")
                            .arg(alert.toObject().value("id").toInt())
                            .arg(alert.toObject().value("by").toString());
    acknowledged.sort();
    QCOMPARE(acknowledged,
             (QStringList{id + QStringLiteral(" Headkeeper"), QStringLiteral("%1 ").arg(id.toInt() + 1)}));
}

void TestWebApi::reportsAndStaysAsTheOtherProgramsGiveThem()
{
    TestDatabase db;
    AdminAccounts().store(QStringLiteral("Headkeeper"), QStringLiteral("s3cret"));
    db.execute(QStringLiteral("INSERT INTO 部门表 VALUES ('财务处', 1, 0)"));
    db.execute(QStringLiteral(
        "INSERT INTO 用户信息表 VALUES ('8001','张三','A1','2','1号楼','20240101',0,0,15,1,'')"));
    db.execute(
        QStringLiteral("INSERT INTO 话费表 VALUES ('8001','02087654321','261105','101010',60,0.5,1,2.5,0.3,"
                       "0.2,'广州',2)"));
    db.execute(
        QStringLiteral("INSERT INTO 宾馆管理表 (分机号, 房间号, 入住日期, 入住时间, 结帐金额, 是否已经结帐, "
                       "服务费比例, 押金, 旅客姓名) VALUES ('8301', '301', '20261201', '120000', 80.5, 0, "
                       "0.15, 50, '王五'), ('8302', '302', '20261130', '120000', 9, 1, 0, 0, '赵六')"));
    WebProcess web(db.connectionString());
    QVERIFY2(web.ready(), web.log().constData());
    QVERIFY(!web.login(QStringLiteral("Headkeeper"), QStringLiteral("s3cret")).isEmpty());

    // The open stay with the check-out's figures (服务费 at 0.15 of 80.50,
    // rounded once), over its deposit; the settled one is not listed.
    const QJsonArray stays = web.get(QStringLiteral("/api/stays")).json().value("stays").toArray();
    QCOMPARE(stays.size(), 1);
    const QJsonObject stay = stays.first().toObject();
    QCOMPARE(QStringList({stay.value("房间号").toString(), stay.value("结帐金额").toString(),
                          stay.value("服务费").toString(), stay.value("合计").toString(),
                          stay.value("押金").toString()}),
             QStringList({"301", "80.50", "12.08", "92.58", "50.00"}));
    QVERIFY(stay.value("over").toBool());

    const WebAnswer none = web.get(QStringLiteral("/api/reports/monthly.pdf"));
    QCOMPARE(none.status, 404);
    QCOMPARE(none.error(), QStringLiteral("还没有统计结果:请先进行统计操作!"));
    QCOMPARE(web.get(QStringLiteral("/api/reports/monthly.doc")).status, 404);

    // The monthly report of the last run is the one qalor-report prints.
    QTemporaryDir dir;
    const QString printed = dir.filePath(QStringLiteral("monthly.pdf"));
    QProcess report;
    report.start(QStringLiteral(QALOR_REPORT),
                 {"monthly", "--run-stats", "--from", "2026-11-01", "--to", "2026-11-30", "--pdf", printed,
                  "--connection", db.connectionString()});
    QVERIFY(report.waitForFinished(120000));
    QCOMPARE(report.exitCode(), 0);
    QFile file(printed);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const WebAnswer monthly = web.get(QStringLiteral("/api/reports/monthly.pdf"));
    QCOMPARE(monthly.status, 200);
    const QStringList lines = pdfLines(monthly.body);
    QCOMPARE(lines, pdfLines(file.readAll()));
    QVERIFY(lines.join(QLatin1Char('\n')).contains(QStringLiteral("张三")));
    const WebAnswer notices = web.get(QStringLiteral("/api/reports/notices.xlsx?kind=extensions"));
    QCOMPARE(notices.status, 200);
    QVERIFY(notices.body.startsWith("PK"));
    QCOMPARE(web.get(QStringLiteral("/api/reports/notices.xlsx?kind=%3Cx%3E")).status, 400);
}

QTEST_GUILESS_MAIN(TestWebApi)
#include "tst_web_api.moc"
