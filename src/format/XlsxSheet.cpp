#include "format/XlsxSheet.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <xlsxwriter.h>

namespace qalor {

namespace {

QDate dateOf(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() == 6) // yymmdd within one century, as the call side stores it
        return QDate::fromString(QStringLiteral("20") + t, QStringLiteral("yyyyMMdd"));
    if (t.size() == 8)
        return QDate::fromString(t, QStringLiteral("yyyyMMdd"));
    return QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
}

} // namespace

bool XlsxSheet::write(const QString& fileName, const QList<Column>& columns, const QList<QStringList>& rows,
                      QString* error, const QString& title)
{
    const QString part = fileName + QStringLiteral(".part");
    const QByteArray path = QFile::encodeName(part);
    lxw_workbook* book = workbook_new(path.constData());
    if (!book) {
        *error = QStringLiteral("无法写入文件 %1").arg(fileName);
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* money = workbook_add_format(book);
    format_set_num_format(money, "0.00");
    lxw_format* seconds = workbook_add_format(book);
    format_set_num_format(seconds, "[h]:mm:ss");
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "yyyy-mm-dd");
    lxw_format* moment = workbook_add_format(book);
    format_set_num_format(moment, "yyyy-mm-dd hh:mm:ss");

    lxw_row_t heading = 0;
    if (!title.isEmpty())
        worksheet_write_string(sheet, heading++, 0, title.toUtf8().constData(), bold);
    for (int c = 0; c < columns.size(); ++c)
        worksheet_write_string(sheet, heading, lxw_col_t(c), columns.at(c).title.toUtf8().constData(), bold);
    for (int r = 0; r < rows.size(); ++r) {
        const lxw_row_t row = heading + lxw_row_t(r + 1);
        for (int c = 0; c < columns.size() && c < rows.at(r).size(); ++c) {
            const QString text = rows.at(r).at(c);
            if (text.trimmed().isEmpty())
                continue;
            const lxw_col_t col = lxw_col_t(c);
            bool isNumber = false;
            const double number = text.trimmed().toDouble(&isNumber);
            switch (columns.at(c).kind) {
            case Kind::Number:
            case Kind::Money:
                if (isNumber) {
                    worksheet_write_number(sheet, row, col, number,
                                           columns.at(c).kind == Kind::Money ? money : nullptr);
                    continue;
                }
                break;
            case Kind::Seconds:
                if (isNumber) {
                    worksheet_write_number(sheet, row, col, number / 86400.0, seconds);
                    continue;
                }
                break;
            case Kind::Date:
                if (const QDate day = dateOf(text); day.isValid()) {
                    lxw_datetime when{day.year(), day.month(), day.day(), 0, 0, 0};
                    worksheet_write_datetime(sheet, row, col, &when, date);
                    continue;
                }
                break;
            case Kind::DateTime:
                if (const QDateTime at =
                        QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                    at.isValid()) {
                    lxw_datetime when{at.date().year(), at.date().month(),  at.date().day(),
                                      at.time().hour(), at.time().minute(), double(at.time().second())};
                    worksheet_write_datetime(sheet, row, col, &when, moment);
                    continue;
                }
                break;
            case Kind::Text:
                break;
            }
            worksheet_write_string(sheet, row, col, text.toUtf8().constData(), nullptr);
        }
    }
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        QFile::remove(part);
        *error = QStringLiteral("无法写入文件 %1: %2").arg(fileName, QString::fromUtf8(lxw_strerror(closed)));
        return false;
    }
    QFile::remove(fileName);
    if (!QFile::rename(part, fileName)) {
        QFile::remove(part);
        *error = QStringLiteral("无法写入文件 %1").arg(fileName);
        return false;
    }
    return true;
}

} // namespace qalor
