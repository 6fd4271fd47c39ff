#pragma once

#include "hotel/AutoClassChange.h"

#include <QRandomGenerator>
#include <QStringList>

namespace qalor::test {

// One call as the PBX prints it with the default 73-character layout:
// trace, call type, record code, date block, start, end, extension, class of
// service, trunk group, dialled number, each followed by a blank.
struct CdrCall
{
    QString trace = QStringLiteral("0000");
    QString type = QStringLiteral("001");
    QString date = QStringLiteral("260315");
    QString start = QStringLiteral("093000");
    QString end = QStringLiteral("093130");
    QString extension = QStringLiteral("8001");
    QString trunk = QStringLiteral("01");
    QString dialled = QStringLiteral("13800138000");

    QString line() const
    {
        return trace + QStringLiteral(" ") + type + QStringLiteral(" 01 ") + date +
               QStringLiteral(" 000000 ") + start + QLatin1Char(' ') + end + QLatin1Char(' ') + extension +
               QStringLiteral(" 001 ") + trunk + QLatin1Char(' ') + dialled.leftJustified(18) +
               QStringLiteral(" \r\n");
    }
};

// The i-th of a run of distinct mobile calls (90 s each, so 0.80 at the
// sample rate of 0.40 a minute); the dialled number tells them apart.
inline CdrCall mobileCall(int i, const QString& extension = QStringLiteral("8001"))
{
    CdrCall call;
    call.extension = extension;
    call.dialled = QStringLiteral("1380013%1").arg(i, 4, 10, QLatin1Char('0'));
    return call;
}

inline QString mobileLines(int count, int first = 0)
{
    QString text;
    for (int i = first; i < first + count; ++i)
        text += mobileCall(i).line();
    return text;
}

// Chunk sizes that cut a text at arbitrary places.
inline QList<int> randomChunks(qsizetype total, int maxChunk, quint32 seed)
{
    QRandomGenerator random(seed);
    QList<int> sizes;
    for (qsizetype sum = 0; sum < total;) {
        const int size = random.bounded(1, maxChunk + 1);
        sizes << size;
        sum += size;
    }
    return sizes;
}

// Remembers the extensions the automatic class change was asked to lower.
class RecordingClassChange : public AutoClassChange
{
public:
    RecordingClassChange() { AutoClassChange::install(this); }
    ~RecordingClassChange() override { AutoClassChange::install(nullptr); }
    void lowerToDefault(const QString& extension) override { lowered << extension; }
    QStringList lowered;
};

} // namespace qalor::test
