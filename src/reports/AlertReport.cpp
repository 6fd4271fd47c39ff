#include "reports/AlertReport.h"

#include "format/TextFormat.h"
#include "print/ReportPrintJob.h"

namespace qalor {

namespace {
QString callStart(const Alert& alert)
{
    return alert.call.start.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString acknowledgement(const AlertLog::Row& row)
{
    if (row.acknowledgedBy.isEmpty())
        return QStringLiteral("未确认");
    return row.acknowledgedBy + QLatin1Char(' ') +
           row.acknowledged.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
} // namespace

AlertReport::AlertReport(QList<AlertLog::Row> rows, QDate from, QDate to)
    : m_rows(std::move(rows)), m_from(from), m_to(to)
{
}

QList<XlsxSheet::Column> AlertReport::columns()
{
    using K = XlsxSheet::Kind;
    return {{QStringLiteral("主叫号"), K::Text},      {QStringLiteral("被叫号"), K::Text},
            {QStringLiteral("日期"), K::Date},        {QStringLiteral("时间"), K::Text},
            {XlsxSheet::durationTitle(), K::Seconds}, {QStringLiteral("话费"), K::Money},
            {QStringLiteral("规则编号"), K::Number},  {QStringLiteral("规则名称"), K::Text},
            {QStringLiteral("告警说明"), K::Text},    {QStringLiteral("告警时间"), K::DateTime},
            {QStringLiteral("确认人"), K::Text},      {QStringLiteral("确认时间"), K::DateTime}};
}

QList<QStringList> AlertReport::cells() const
{
    QList<QStringList> cells;
    for (const AlertLog::Row& row : m_rows) {
        const Alert& alert = row.alert;
        const QDateTime start = alert.call.start.toDateTime();
        cells << QStringList{alert.call.caller,
                             alert.call.called,
                             start.toString(QStringLiteral("yyyy-MM-dd")),
                             start.toString(QStringLiteral("HH:mm:ss")),
                             QString::number(alert.call.seconds),
                             alert.call.billed.text(),
                             QString::number(alert.ruleId),
                             alert.ruleName,
                             alert.detail,
                             alert.raised.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                             row.acknowledgedBy,
                             row.acknowledgedBy.isEmpty()
                                 ? QString()
                                 : row.acknowledged.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    }
    return cells;
}

ReportDocument AlertReport::build(const PageGeometry& page) const
{
    if (m_rows.isEmpty())
        return {};
    ReportPrintJob job(documentName(), page);
    const int left = job.pageWidth() / 20;
    const int last = job.linesPerPage() - 3;
    const QString title = QStringLiteral("告警记录  ") + m_from.toString(QStringLiteral("yyyy-MM-dd")) +
                          QStringLiteral(" 至 ") + m_to.toString(QStringLiteral("yyyy-MM-dd"));
    const QString heading =
        PadField(QStringLiteral("通话时间"), 20, false) + PadField(QStringLiteral("主叫号"), 7, false) +
        PadField(QStringLiteral("被叫号"), 19, false) + PadField(QStringLiteral("话费"), 9, true) +
        QStringLiteral("  ") + PadField(QStringLiteral("规则"), 21, false) + QStringLiteral("确认");
    const auto startPage = [&] {
        job.startPage();
        job.printTextLine(left, job.lineHeight(), title + QStringLiteral("  第%1页").arg(job.page));
        job.printTextLine(left, job.lineHeight() * 3, heading);
        job.drawRule(left, job.lineHeight() * 3);
        job.line = 4;
    };
    startPage();
    for (const AlertLog::Row& row : m_rows) {
        if (job.line + 2 > last) {
            job.endPage();
            ++job.page;
            startPage();
        }
        const Alert& alert = row.alert;
        job.printTextLine(left, job.lineHeight() * job.line,
                          PadField(callStart(alert), 20, false) + PadField(alert.call.caller, 7, false) +
                              PadField(alert.call.called, 19, false) +
                              PadField(alert.call.billed.text(), 9, true) + QStringLiteral("  ") +
                              PadField(alert.ruleName, 21, false) + acknowledgement(row));
        job.printTextLine(left + job.pageWidth() / 10, job.lineHeight() * (job.line + 1), alert.detail);
        job.line += 2;
    }
    job.drawRule(left, job.lineHeight() * job.line);
    job.printTextLine(left, job.lineHeight() * (job.line + 1),
                      QStringLiteral("共%1条告警").arg(m_rows.size()));
    return job.finish();
}

} // namespace qalor
