#include "editors/CsvImport.h"

#include "db/CDatabase.h"
#include "db/CRecordSet.h"
#include "db/ColumnValue.h"
#include "db/CsvReader.h"
#include "db/TableRegistry.h"
#include "editors/KeyDuplicates.h"
#include "prompt/Prompt.h"
#include "rating/AlertRuleCheck.h"

#include <QMap>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>
#include <new>
#include <optional>

namespace qalor {

namespace {

QString atLine(int line)
{
    return QStringLiteral("第%1行").arg(line);
}

// A character the data source cannot keep in a text: the drivers pass
// values as C strings, so a NUL cuts the value short ("ab\0cd" would be
// stored as "ab"), and the other control characters are not text anyone
// typed (nor are the C1 controls U+0080-U+009F, which a file in the wrong
// code page brings). Tabs and the line breaks of a quoted field are kept.
bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || (u >= 0x7F && u <= 0x9F);
}

// Line breaks as the reader counts them (CRLF, CR or LF each one line).
int lineBreaks(QStringView text)
{
    int breaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && !(i + 1 < text.size() && text[i + 1] == u'\n')))
            ++breaks;
    }
    return breaks;
}

// The refusal for the first control character of a record, or an empty text.
QString controlCharacterRefusal(const CsvReader::Record& record, const CsvReader::Record& header)
{
    int line = record.line;
    for (qsizetype f = 0; f < record.fields.size(); ++f) {
        const QString& field = record.fields.at(f);
        for (qsizetype i = 0; i < field.size(); ++i) {
            if (!isControl(field.at(i)))
                continue;
            return atLine(line + lineBreaks(QStringView(field).left(i))) +
                   QStringLiteral(": 列“%1”含有控制字符(U+%2),不能导入.")
                       .arg(header.fields.at(f).trimmed())
                       .arg(QString::number(field.at(i).unicode(), 16)
                                .toUpper()
                                .rightJustified(4, QLatin1Char('0')));
        }
        line += lineBreaks(field);
    }
    return {};
}

// Rows per INSERT statement: well below the bound-value limits of both back ends.
constexpr int BatchRows = 100;

QString rowMarks(int columns)
{
    QStringList marks;
    for (int i = 0; i < columns; ++i)
        marks << QStringLiteral("?");
    return QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
}

// Appends rows in one transaction, `batch` rows per statement, after
// emptying the table when replacing (the count removed goes to *replaced).
// With lastTried, the index of the row whose statement failed is kept there
// (exact when batch is 1). The transaction is committed only when every
// statement ran, and only when lastTried is null.
void append(const TableDef& table, const QList<int>& written, const QList<QList<QVariant>>& rows, int batch,
            CDatabase& db, CsvImport::Mode mode, int* replaced, int* lastTried = nullptr)
{
    QStringList names;
    for (int c : written)
        names << table.column(c).name;
    const QString head = QStringLiteral("INSERT INTO ") + table.name + QStringLiteral(" (") +
                         names.join(QLatin1Char(',')) + QStringLiteral(") VALUES ");
    const QString marks = rowMarks(int(written.size()));
    auto statement = [&](qsizetype count) {
        QStringList all;
        for (qsizetype i = 0; i < count; ++i)
            all << marks;
        return db.prepare(head + all.join(QLatin1Char(',')));
    };

    CTransaction transaction(db);
    if (mode == CsvImport::Mode::Replace) {
        *replaced = CsvImport::tableRows(table, db);
        QSqlQuery empty = db.prepare(QStringLiteral("DELETE FROM ") + table.name);
        CDatabase::exec(empty);
    }
    std::optional<QSqlQuery> full;
    for (qsizetype first = 0; first < rows.size(); first += batch) {
        const qsizetype count = std::min<qsizetype>(batch, rows.size() - first);
        if (count == batch && !full)
            full = statement(count);
        QSqlQuery partial = count == batch ? QSqlQuery() : statement(count);
        QSqlQuery& insert = count == batch ? *full : partial;
        int position = 0;
        for (qsizetype r = first; r < first + count; ++r)
            for (int c : written)
                insert.bindValue(position++, CRecordSet::bindable(table.column(c).type, rows.at(r).at(c)));
        if (lastTried)
            *lastTried = int(first);
        CDatabase::exec(insert);
    }
    if (!lastTried)
        transaction.commit();
}

} // namespace

// The keys that the rows would hold twice: within the file, and with the
// table's rows when adding to them. lines holds each row's line in the file.
QList<KeyDuplicates::Repeat> repeatedKeys(const TableDef& table, const QList<QList<QVariant>>& rows,
                                          const QList<int>& lines, const QMap<QString, int>& existing)
{
    QMap<QString, QList<int>> byKey;
    QStringList order;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QString key = KeyDuplicates::keyOf(table, rows.at(r));
        QList<int>& at = byKey[key];
        if (at.isEmpty())
            order << key;
        at << lines.at(r);
    }
    QList<KeyDuplicates::Repeat> repeats;
    for (const QString& key : std::as_const(order)) {
        const QList<int>& at = byKey.value(key);
        const bool inTable = existing.contains(key);
        if (at.size() > 1 || inTable)
            repeats.append({key, int(at.size()), at, inTable});
    }
    return repeats;
}

int CsvImport::tableRows(const TableDef& table, CDatabase& db)
{
    QSqlQuery count = db.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + table.name);
    CDatabase::exec(count);
    return count.next() ? count.value(0).toInt() : 0;
}

QString CsvImport::replaceQuestion(int rows)
{
    return QStringLiteral(
               "表中已有%1行记录.\n用文件中的记录替换它们,请按‘替换’;\n添加到它们之后,请按‘追加’;\n"
               "不导入,请按‘取消’.")
        .arg(rows);
}

QStringList CsvImport::replaceButtons()
{
    return {QStringLiteral("替换"), QStringLiteral("追加"), QStringLiteral("取消")};
}

CsvImport::Result CsvImport::run(const TableDef& table, const QByteArray& bytes, CDatabase& db, Mode mode)
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
    QList<int> lines;
    rows.reserve(records.size() - 1);
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvReader::Record& record = records.at(r);
        if (record.fields.size() != header.fields.size()) {
            result.error = atLine(record.line) + QStringLiteral(": 应有%1个字段,实有%2个.")
                                                     .arg(header.fields.size())
                                                     .arg(record.fields.size());
            return result;
        }
        result.error = controlCharacterRefusal(record, header);
        if (!result.error.isEmpty())
            return result;
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
        if (&table == &Tables::alertRule()) {
            const AlertRuleCheck::Fault fault = AlertRuleCheck::fault(row);
            if (fault.column >= 0) {
                result.error = atLine(record.line) + QStringLiteral(": ") + fault.text;
                return result;
            }
        }
        rows.append(row);
        lines.append(record.line);
    }

    if (!table.key.isEmpty()) {
        QMap<QString, int> existing;
        if (mode == Mode::Append) {
            try {
                existing = KeyDuplicates::keysInTable(table, db);
            } catch (const DbError& error) {
                result.error = error.message();
                return result;
            }
        }
        const QList<KeyDuplicates::Repeat> repeats = repeatedKeys(table, rows, lines, existing);
        if (!repeats.isEmpty()) {
            result.error = KeyDuplicates::fileText(table, repeats);
            return result;
        }
    }

    QList<int> written;
    for (int c = 0; c < table.columnCount(); ++c)
        if (!table.column(c).autoNumber)
            written << c;
    // Many rows per statement (one round trip each); when the database
    // refuses a statement, the import is run again row by row, still rolled
    // back in the end, to name the line it refuses.
    int failedRow = -1;
    try {
        append(table, written, rows, BatchRows, db, mode, &result.replaced);
    } catch (const DbError& error) {
        try {
            int ignored = 0;
            append(table, written, rows, 1, db, mode, &ignored, &failedRow);
            failedRow = -1; // accepted row by row: no line to blame
        } catch (const DbError&) {
        }
        result.error = (failedRow >= 0 ? atLine(records.at(failedRow + 1).line) + QStringLiteral(": ") : QString()) +
                       error.message();
        return result;
    } catch (const std::bad_alloc&) {
        result.error = Prompt::outOfMemoryText();
        return result;
    }
    result.rows = int(rows.size());
    return result;
}

} // namespace qalor
