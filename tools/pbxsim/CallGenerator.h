#pragma once

#include "db/DefaultRows.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <optional>

namespace qalor::pbxsim {

// One call as the exchange would report it when it ends.
struct GeneratedCall
{
    QDateTime start;
    QDateTime end;
    QString extension; // calling extension, 4 digits
    QString number;    // dialled digits
    int classOfService = 0;
    int trunkGroup = 0;
    QString callType;   // 3 digits
    QString recordCode; // 2 digits
};

// Draws plausible outgoing calls of a small office: extensions 8001-8016,
// local, mobile, long-distance, international and information numbers,
// 5 s to 20 min long. The same seed gives the same calls; with a fixed date
// the times are part of that sequence too, otherwise calls end "just now".
class CallGenerator
{
public:
    CallGenerator(quint32 seed, std::optional<QDate> date);

    GeneratedCall next(const QDateTime& now);

private:
    QString drawNumber();
    QString digits(int count);
    int between(int low, int high); // inclusive

    QRandomGenerator m_random;
    std::optional<QDateTime> m_clock;
};

// The CDR line the exchange prints for a call under the given layout: the
// printed slots in order, each followed by one space, then CR LF.
QByteArray formatCdrLine(const GeneratedCall& call, const QList<CdrFieldRow>& layout);

// Total length of a line under the layout (separators and CR LF included).
int cdrLineLength(const QList<CdrFieldRow>& layout);

} // namespace qalor::pbxsim
