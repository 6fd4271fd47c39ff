#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The service units as systemd reads them: systemd-analyze verify finds no
// fault in the collector's (an instance of it) or the web console's (the
// programs and their manual pages as the package installs them, here from
// the build).
class TestCollectorUnit : public QObject
{
    Q_OBJECT
private slots:
    void unitVerifies_data();
    void unitVerifies();
};

void TestCollectorUnit::unitVerifies_data()
{
    QTest::addColumn<QString>("unitFile");
    QTest::addColumn<QString>("unitName");
    QTest::addColumn<QString>("execStart");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("manPage");
    QTest::newRow("qalor-collector@COM1")
        << QStringLiteral(QALOR_UNIT) << QStringLiteral("qalor-collector@COM1.service")
        << QStringLiteral("ExecStart=/usr/bin/qalor-collector %i\n") << QStringLiteral(QALOR_COLLECTOR)
        << QStringLiteral(QALOR_MANPAGE);
    QTest::newRow("qalor-web") << QStringLiteral(QALOR_WEB_UNIT) << QStringLiteral("qalor-web.service")
                               << QStringLiteral("ExecStart=/usr/bin/qalor-web\n")
                               << QStringLiteral(QALOR_WEB) << QStringLiteral(QALOR_WEB_MANPAGE);
}

void TestCollectorUnit::unitVerifies()
{
    QFETCH(QString, unitFile);
    QFETCH(QString, unitName);
    QFETCH(QString, execStart);
    QFETCH(QString, program);
    QFETCH(QString, manPage);
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        QSKIP("systemd-analyze is not installed (Debian package systemd)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile unit(unitFile);
    QVERIFY(unit.open(QIODevice::ReadOnly));
    QByteArray text = unit.readAll();
    QVERIFY(text.contains(execStart.toUtf8()));
    const QString installed =
        execStart.section(QLatin1Char('='), 1).section(QLatin1Char(' '), 0, 0).trimmed();
    text.replace(installed.toUtf8(), program.toUtf8());
    QFile instance(dir.filePath(unitName));
    QVERIFY(instance.open(QIODevice::WriteOnly));
    QCOMPARE(instance.write(text), text.size());
    instance.close();
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("man/man1"))));
    QVERIFY(QFile::copy(manPage, dir.filePath(QStringLiteral("man/man1/")) + QFileInfo(manPage).fileName()));

    QProcess verify;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANPATH"), dir.filePath(QStringLiteral("man")));
    verify.setProcessEnvironment(env);
    verify.setWorkingDirectory(dir.path());
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(analyze, {QStringLiteral("verify"), instance.fileName()});
    QVERIFY(verify.waitForFinished(60000));
    const QByteArray said = verify.readAll();
    QVERIFY2(verify.exitCode() == 0, said.constData());
    QVERIFY2(said.trimmed().isEmpty(), said.constData());
}

QTEST_GUILESS_MAIN(TestCollectorUnit)
#include "tst_collector_unit.moc"
