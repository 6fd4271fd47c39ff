#include "editors/CsvImport.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"
#include "db/ColumnValue.h"
#include "db/CsvReader.h"
#include "prompt/Prompt.h"

#include <QStringList>
#include <new>

namespace qalor {

namespace {

QString atLine(int line)
{
    return QStringLiteral("第%1行").arg(line);
}

} // namespace

CsvImport::Result CsvImport::run(const TableDef& table, const QByteArray& bytes, CDatabase& db)
{
    Result result;
    const QList<CsvReader::Record> records = CsvReader::parseBytes(bytes);
    if (records.isEmpty()) {
        result.error = QStringLiteral("文件中没有数据.");
        return result;
    }

    // The header: which table column each field goes to (-1: numbered by the database, skipped).
    const CsvReader::Record& header = records.first();
    QList<int> target;
    for (const QString& field : header.fields) {
        QString name = field.trimmed();
        const int column = table.indexOf(name);
        if (column < 0) {
            result.error = atLine(header.line) + QStringLiteral(": 表“%1”没有列“%2”.").arg(table.name, name);
            return result;
        }
        if (target.contains(column)) {
            result.error = atLine(header.line) + QStringLiteral(": 列“%1”出现了两次.").arg(name);
            return result;
        }
        target << (table.column(column).autoNumber ? -1 : column);
    }

    // Every value checked first; nothing is written while any is refused.
    QList<QList<QVariant>> rows;
    rows.reserve(records.size() - 1);
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvReader::Record& record = records.at(r);
        if (record.fields.size() != header.fields.size()) {
            result.error = atLine(record.line) + QStringLiteral(": 应有%1个字段,实有%2个.")
                                                     .arg(header.fields.size())
                                                     .arg(record.fields.size());
            return result;
        }
        QList<QVariant> row(table.columnCount());
        for (int c = 0; c < table.columnCount(); ++c)
            row[c] = *ColumnValue::parse(table.column(c).type, QStringLiteral(""));
        for (qsizetype f = 0; f < record.fields.size(); ++f) {
            const int column = target.at(f);
            if (column < 0)
                continue;
            const ColumnDef& def = table.column(column);
            const std::optional<QVariant> typed = ColumnValue::parse(def.type, record.fields.at(f));
            if (!typed) {
                result.error = atLine(record.line) + QStringLiteral(": ") + ColumnValue::refusal(def);
                return result;
            }
            row[column] = *typed;
        }
        rows.append(row);
    }

    QStringList names, marks;
    QList<int> written;
    for (int c = 0; c < table.columnCount(); ++c) {
        if (table.column(c).autoNumber)
            continue;
        names << table.column(c).name;
        marks << QStringLiteral("?");
        written << c;
    }
    int failedLine = 0;
    try {
        CTransaction transaction(db);
        QSqlQuery insert = db.prepare(QStringLiteral("INSERT INTO ") + table.name + QStringLiteral(" (") +
                                      names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
                                      marks.join(QLatin1Char(',')) + QLatin1Char(')'));
        for (qsizetype r = 0; r < rows.size(); ++r) {
            failedLine = records.at(r + 1).line;
            for (qsizetype p = 0; p < written.size(); ++p) {
                const int c = written.at(p);
                insert.bindValue(int(p), CRecordSet::bindable(table.column(c).type, rows.at(r).at(c)));
            }
            CDatabase::exec(insert);
        }
        failedLine = 0;
        transaction.commit();
    } catch (const DbError& error) {
        result.error = (failedLine > 0 ? atLine(failedLine) + QStringLiteral(": ") : QString()) + error.message();
        return result;
    } catch (const std::bad_alloc&) {
        result.error = Prompt::outOfMemoryText();
        return result;
    }
    result.rows = int(rows.size());
    return result;
}

} // namespace qalor
