#pragma once

#include "db/DefaultRows.h"
#include "intake/CdrLayout.h"

#include <QMap>
#include <QString>

namespace qalor::test {

// The default 27-slot layout as the layout list holds it.
inline QList<CdrLayoutEntry> defaultEntries()
{
    QList<CdrLayoutEntry> entries;
    for (const CdrFieldRow& row : defaultCdrLayout())
        entries.append({row.name, row.sequence, row.width, row.output});
    return entries;
}

// A CDR line as the PBX prints it for a layout: the printed slots in order,
// each given text (or a default) fitted to its width and followed by a space,
// then CR LF.
inline QString cdrLine(const QList<CdrLayoutEntry>& entries, const QMap<int, QString>& fields)
{
    static const QMap<int, QString> defaults = {
        {0, QStringLiteral("0000")},
        {1, QStringLiteral("003")},
        {2, QStringLiteral("01")},
        {5, QStringLiteral("240315 ABCDEF")},
        {6, QStringLiteral("101500")},
        {7, QStringLiteral("102730")},
        {10, QStringLiteral("2101")},
        {11, QStringLiteral("----")},
        {14, QStringLiteral("005")},
        {21, QStringLiteral("07")},
        {24, QStringLiteral("013901234567-1")},
        {26, QStringLiteral("----")},
    };
    QString line;
    for (int slot = 0; slot < entries.size(); ++slot) {
        const CdrLayoutEntry& entry = entries.at(slot);
        if (entry.output <= 0)
            continue;
        const QString text = fields.value(slot, defaults.value(slot, QString(entry.width, QLatin1Char('9'))));
        line += text.leftJustified(entry.width, QLatin1Char(' '), true) + QLatin1Char(' ');
    }
    return line + QStringLiteral("\r\n");
}

} // namespace qalor::test
