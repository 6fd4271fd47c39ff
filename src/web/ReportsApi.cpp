#include "web/ReportsApi.h"

#include "db/CDatabase.h"
#include "reports/MonthEndOutput.h"
#include "reports/ReportPainter.h"
#include "web/WebParams.h"
#include "web/WebReply.h"

#include <QFile>
#include <QTemporaryDir>

namespace qalor {

namespace {

QByteArray readBack(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Figures read while another statistics run was committed would stand
// under the wrong period.
void checkSameRun(CDatabase& db, const std::optional<CountRun>& run)
{
    if (CountResults(db).lastRun() != run)
        throw DbError(QStringLiteral("读取统计结果时又进行了一次统计:请重新打印!"));
}

} // namespace

QHttpServerResponse ReportsApi::file(const QString& name, const WebParams& params)
{
    const QString document = name.section(QLatin1Char('.'), 0, 0);
    const QString suffix = name.section(QLatin1Char('.'), 1);
    const bool monthly = document == QLatin1String("monthly");
    if ((!monthly && document != QLatin1String("notices")) ||
        (suffix != QLatin1String("pdf") && suffix != QLatin1String("xlsx")) ||
        name.count(QLatin1Char('.')) != 1)
        return WebReply::error(Status::NotFound, QStringLiteral("没有这个报表."));

    MonthEndOutput::Request request;
    request.document = monthly ? MonthEndOutput::Document::Monthly : MonthEndOutput::Document::Notices;
    request.format = int(params.number(QStringLiteral("format"), 0, 0, 1));
    request.kind = params.choice(QStringLiteral("kind"),
                                 {QStringLiteral("departments"), QStringLiteral("extensions")}) ==
                           QLatin1String("extensions")
                       ? PayNotice::Extensions
                       : PayNotice::Departments;

    CDatabase& db = CDatabase::shared();
    const std::optional<CountRun> run = CountResults(db).lastRun();
    if (!run || !run->start().isValid() || !run->end().isValid())
        return WebReply::error(Status::NotFound, QStringLiteral("还没有统计结果:请先进行统计操作!"));
    request.from = run->start();
    request.to = run->end();
    request.departments = MonthEndOutput::allDepartments(db);
    const MonthEndOutput output(db, request);

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("report.") + suffix);
    const QString fileName =
        (monthly ? QStringLiteral("电话费月统计报表") : QStringLiteral("电话费缴费通知单")) +
        MonthEndOutput::periodText(request.from, request.to) + QLatin1Char('.') + suffix;
    QString error;
    if (suffix == QLatin1String("xlsx")) {
        const MonthEndOutput::Sheet sheet = output.sheet();
        checkSameRun(db, run);
        if (!folder.isValid() || !XlsxSheet::write(file, sheet.columns, sheet.rows, &error, sheet.title))
            return WebReply::error(Status::InternalServerError,
                                   error.isEmpty() ? folder.errorString() : error);
        return WebReply::download("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                                  fileName, readBack(file));
    }
    bool written = false;
    const bool ok = folder.isValid() && ReportPainter::writePdf(
                                            [&](const PageGeometry& page) {
                                                ReportDocument built = output.build(page);
                                                checkSameRun(db, run);
                                                return built;
                                            },
                                            file, &error, &written);
    if (!ok)
        return WebReply::error(Status::InternalServerError, error.isEmpty() ? folder.errorString() : error);
    // Nothing written: the report said why, or had nothing to print.
    if (!written)
        return WebReply::error(Status::NotFound, QStringLiteral("没有可打印的内容."));
    return WebReply::download("application/pdf", fileName, readBack(file));
}

} // namespace qalor
