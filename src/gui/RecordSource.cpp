#include "gui/RecordSource.h"

#include "db/SqlDialectText.h"
#include "db/TableRegistry.h"

#include <QRegularExpression>
#include <QStringList>

namespace qalor {

std::optional<RecordSource> RecordSource::parse(const QString& sql)
{
    static const QRegularExpression shape(QStringLiteral(R"(^\s*select\s+(.+?)\s+from\s+([^\s,;()]+)(.*)$)"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = shape.match(sql);
    if (!match.hasMatch())
        return std::nullopt;

    RecordSource source;
    source.table = TableRegistry::find(match.captured(2));
    if (!source.table)
        return std::nullopt;

    const QString list = match.captured(1).trimmed();
    if (list == QLatin1String("*")) {
        for (int i = 0; i < source.table->columnCount(); ++i)
            source.columns.append(i);
    } else {
        for (QString name : list.split(QLatin1Char(','))) {
            name = name.trimmed();
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot >= 0)
                name = name.mid(dot + 1);
            const int index = source.table->indexOf(name);
            if (index < 0)
                return std::nullopt;
            source.columns.append(index);
        }
    }

    source.tail = match.captured(3);
    while (source.tail.endsWith(QLatin1Char(';')) || source.tail.endsWith(QLatin1Char(' ')))
        source.tail.chop(1);
    return source;
}

QString RecordSource::statement(SqlDialect dialect) const
{
    QStringList names;
    for (int index : columns)
        names << table->column(index).name;
    names << rowIdColumn(dialect);
    return QStringLiteral("SELECT ") + names.join(QLatin1Char(',')) + QStringLiteral(" FROM ") + table->name +
           tail;
}

} // namespace qalor
