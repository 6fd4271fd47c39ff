#include "editors/KeyDuplicates.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"

#include <QSqlQuery>
#include <QStringList>

namespace qalor {

namespace {

constexpr int MostLinesNamed = 10;

QString valueText(ColumnType type, const QVariant& value)
{
    const QVariant typed = CRecordSet::normalize(type, value);
    return type == ColumnType::Text ? typed.toString().trimmed() : typed.toString();
}

QString joinedKey(const QStringList& parts)
{
    return parts.join(QLatin1Char('/'));
}

} // namespace

QString KeyDuplicates::keyCaption(const TableDef& table)
{
    return table.key.join(QLatin1Char('/'));
}

QString KeyDuplicates::keyOf(const TableDef& table, const QList<QVariant>& row)
{
    QStringList parts;
    for (int column : table.keyColumns())
        parts << valueText(table.column(column).type, row.value(column));
    return joinedKey(parts);
}

QMap<QString, int> KeyDuplicates::keysInTable(const TableDef& table, CDatabase& db)
{
    QMap<QString, int> keys;
    if (table.key.isEmpty())
        return keys;
    const QString columns = table.key.join(QLatin1Char(','));
    QSqlQuery query = db.prepare(QStringLiteral("SELECT ") + columns + QStringLiteral(", COUNT(*) FROM ") +
                                 table.name + QStringLiteral(" GROUP BY ") + columns);
    CDatabase::exec(query);
    const QList<int> keyColumns = table.keyColumns();
    while (query.next()) {
        QStringList parts;
        for (int i = 0; i < keyColumns.size(); ++i)
            parts << valueText(table.column(keyColumns.at(i)).type, query.value(i));
        // Text keys that differ only in trailing blanks are the same key.
        keys[joinedKey(parts)] += query.value(int(keyColumns.size())).toInt();
    }
    return keys;
}

QList<KeyDuplicates::Repeat> KeyDuplicates::inTable(const TableDef& table, CDatabase& db)
{
    QList<Repeat> repeats;
    const QMap<QString, int> keys = keysInTable(table, db);
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        if (it.value() > 1)
            repeats.append({it.key(), it.value(), {}, true});
    return repeats;
}

QString KeyDuplicates::tableText(const TableDef& table, const QList<Repeat>& repeats)
{
    if (repeats.isEmpty())
        return {};
    QStringList parts;
    for (const Repeat& repeat : repeats)
        parts << QStringLiteral("%1 (%2行)").arg(repeat.key).arg(repeat.rows);
    return keyCaption(table) + QStringLiteral("重复: ") + parts.join(QStringLiteral(", "));
}

QString KeyDuplicates::fileText(const TableDef& table, const QList<Repeat>& repeats)
{
    QStringList lines;
    for (const Repeat& repeat : repeats) {
        if (lines.size() == MostLinesNamed) {
            lines << QStringLiteral("……");
            break;
        }
        QStringList numbers;
        for (int line : repeat.lines)
            numbers << QString::number(line);
        QString text = QStringLiteral("%1“%2”重复: 第%3行")
                           .arg(keyCaption(table), repeat.key, numbers.join(QStringLiteral("、")));
        if (repeat.inTable)
            text += QStringLiteral(", 表中已有");
        lines << text;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace qalor
