#include "web/CallsApi.h"

#include "format/Money.h"
#include "format/TextFormat.h"
#include "print/ReportPainter.h"
#include "reports/CallCursor.h"
#include "reports/DetailBill.h"
#include "reports/DetailPager.h"
#include "reports/DetailTotal.h"
#include "reports/DetailXlsx.h"
#include "web/WebParams.h"
#include "web/WebReply.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

namespace qalor {

namespace {

QJsonObject callObject(const CallRow& row)
{
    return {
        {QStringLiteral("主叫号"), row.caller},
        {QStringLiteral("被叫号"), row.callee},
        {QStringLiteral("日期"), row.date},
        {QStringLiteral("时间"), row.time},
        {QStringLiteral("时长"), FormatWhole(row.duration)},
        {QStringLiteral("费率"), FormatMoney(row.rate)},
        {QStringLiteral("计费单位数"), FormatWhole(row.units)},
        {QStringLiteral("通话费"), FormatMoney(row.charge)},
        {QStringLiteral("服务费"), FormatMoney(row.service)},
        {QStringLiteral("附加费"), FormatMoney(row.surcharge)},
        {QStringLiteral("通达地"), row.destination},
        {QStringLiteral("统计类型"), row.countType},
        {QStringLiteral("金额"), FormatMoney(row.amount())},
    };
}

// The bytes of a file a writer made in a folder of its own; empty when it
// made none.
QByteArray readBack(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fileName(const DetailQuery& query, const QString& suffix)
{
    return DetailBill::documentName() + query.start.toString(QStringLiteral("yyyyMMdd")) +
           query.end.toString(QStringLiteral("-yyyyMMdd")) + suffix;
}

} // namespace

DetailQuery CallsApi::query(const WebParams& params)
{
    const QDate today = QDate::currentDate();
    DetailQuery query;
    query.start = params.date(QStringLiteral("from"), QDate(today.year(), today.month(), 1));
    query.end = params.date(QStringLiteral("to"), today);
    if (query.start > query.end)
        throw BadParameter{QStringLiteral("起始日期不能晚于终止日期.")};
    query.caller = params.digits(QStringLiteral("extension"));
    if (const std::optional<QString> department = params.digits(QStringLiteral("department"))) {
        if (department->size() > 5)
            throw BadParameter{QStringLiteral("department应是部门编号.")};
        query.department = department->toInt();
    }
    return query;
}

QHttpServerResponse CallsApi::page(const WebParams& params)
{
    DetailQuery selection = query(params);
    const qint64 page = params.number(QStringLiteral("page"), 1, 1, 1'000'000'000);
    // The count and the whole total from the money alone; only the page's
    // calls are read whole.
    const DetailTotal whole = DetailTotal::of(selection);
    selection.limit = DetailPager::PageSize;
    selection.skip = (page - 1) * DetailPager::PageSize;
    CallCursor calls(selection);
    calls.rewind();
    QJsonArray rows;
    Money subtotal;
    CallRow row;
    while (calls.next(row)) {
        rows.append(callObject(row));
        subtotal += row.amount();
    }
    const qint64 pages =
        std::max<qint64>(1, (whole.count + DetailPager::PageSize - 1) / DetailPager::PageSize);
    return WebReply::json({{QStringLiteral("calls"), rows},
                           {QStringLiteral("subtotal"), FormatMoney(subtotal)},
                           {QStringLiteral("page"), page},
                           {QStringLiteral("pages"), pages},
                           {QStringLiteral("count"), whole.count},
                           {QStringLiteral("total"), FormatMoney(whole.total)}});
}

QHttpServerResponse CallsApi::pdf(const WebParams& params)
{
    const DetailQuery selection = query(params);
    const DetailBillOptions options{DetailLayout::ByDate, selection.start, selection.end};
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("bill.pdf"));
    QString error;
    bool written = false;
    const bool ok = folder.isValid() && ReportPainter::writePdf(
                                            [&](const PageGeometry& page) {
                                                CallCursor calls(selection);
                                                return DetailBill::build(calls, page, options);
                                            },
                                            file, &error, &written);
    if (!ok || !written)
        return WebReply::error(Status::InternalServerError, error.isEmpty() ? folder.errorString() : error);
    return WebReply::download("application/pdf", fileName(selection, QStringLiteral(".pdf")), readBack(file));
}

QHttpServerResponse CallsApi::xlsx(const WebParams& params)
{
    const DetailQuery selection = query(params);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("bill.xlsx"));
    CallCursor calls(selection);
    QString error;
    if (!folder.isValid() || !DetailXlsx::write(calls, file, &error))
        return WebReply::error(Status::InternalServerError, error.isEmpty() ? folder.errorString() : error);
    return WebReply::download("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                              fileName(selection, QStringLiteral(".xlsx")), readBack(file));
}

} // namespace qalor
