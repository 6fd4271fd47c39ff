#include "GoldenFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace qalor::test {

bool matchesGolden(const QString& fileName, const QString& actual, QString* why)
{
    if (qEnvironmentVariable("QALOR_UPDATE_GOLDEN") == QLatin1String("1")) {
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QFile out(fileName);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *why = fileName + QStringLiteral(": ") + out.errorString();
            return false;
        }
        out.write(actual.toUtf8());
        return true;
    }
    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = fileName + QStringLiteral(": ") + in.errorString() +
               QStringLiteral(" (QALOR_UPDATE_GOLDEN=1 writes it)");
        return false;
    }
    const QString expected = QString::fromUtf8(in.readAll());
    if (expected == actual)
        return true;
    const QStringList want = expected.split(QLatin1Char('\n'));
    const QStringList got = actual.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i) {
        const QString w = want.value(i, QStringLiteral("<end>"));
        const QString g = got.value(i, QStringLiteral("<end>"));
        if (w != g) {
            *why = QStringLiteral("%1 line %2\n expected: %3\n actual:   %4").arg(fileName).arg(i + 1).arg(w, g);
            break;
        }
    }
    return false;
}

} // namespace qalor::test
