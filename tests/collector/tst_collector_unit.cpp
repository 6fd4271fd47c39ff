#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The collector's service unit as systemd reads it: systemd-analyze verify
// finds no fault in an instance of it (the program and its manual page as
// the package installs them, here from the build).
class TestCollectorUnit : public QObject
{
    Q_OBJECT
private slots:
    void unitVerifies();
};

void TestCollectorUnit::unitVerifies()
{
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        QSKIP("systemd-analyze is not installed (Debian package systemd)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile unit(QStringLiteral(QALOR_UNIT));
    QVERIFY(unit.open(QIODevice::ReadOnly));
    QByteArray text = unit.readAll();
    QVERIFY(text.contains("ExecStart=/usr/bin/qalor-collector %i\n"));
    text.replace("/usr/bin/qalor-collector", QByteArray(QALOR_COLLECTOR));
    QFile instance(dir.filePath(QStringLiteral("qalor-collector@COM1.service")));
    QVERIFY(instance.open(QIODevice::WriteOnly));
    QCOMPARE(instance.write(text), text.size());
    instance.close();
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("man/man1"))));
    QVERIFY(QFile::copy(QStringLiteral(QALOR_MANPAGE),
                        dir.filePath(QStringLiteral("man/man1/qalor-collector.1"))));

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
