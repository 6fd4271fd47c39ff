#pragma once

// Golden files of the printed reports: compared whole, line by line. Run the
// tests with QALOR_UPDATE_GOLDEN=1 to write the files anew, then review the
// change in the diff before committing it.

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

namespace qalor::test {

inline QString goldenPath(const QString& name)
{
    return QStringLiteral(QALOR_GOLDEN_DIR) + QLatin1Char('/') + name;
}

inline bool matchesGolden(const QString& name, const QString& actual)
{
    const QString path = goldenPath(name);
    if (qEnvironmentVariable("QALOR_UPDATE_GOLDEN") == QLatin1String("1")) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            qWarning("cannot write %s", qPrintable(path));
            return false;
        }
        out.write(actual.toUtf8());
        qInfo("golden file written: %s", qPrintable(path));
        return true;
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        qWarning("no golden file %s (QALOR_UPDATE_GOLDEN=1 writes it)", qPrintable(path));
        return false;
    }
    const QStringList expected = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    const QStringList lines = actual.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(expected.size(), lines.size()); ++i) {
        const QString want = i < expected.size() ? expected[i] : QStringLiteral("<end of file>");
        const QString got = i < lines.size() ? lines[i] : QStringLiteral("<end of output>");
        if (want != got) {
            qWarning("%s line %lld\n  expected: %s\n  actual:   %s", qPrintable(name), qlonglong(i + 1),
                     qPrintable(want), qPrintable(got));
            return false;
        }
    }
    return true;
}

} // namespace qalor::test
