#include "hotel/HotelBill.h"

#include "db/CDatabase.h"
#include "db/sets/CHotalSet.h"
#include "format/TextFormat.h"
#include "hotel/StayCharges.h"
#include "print/ReportPrintJob.h"
#include "prompt/OpenOrReport.h"
#include "prompt/Prompt.h"

#include <QHash>
#include <QSqlQuery>

namespace qalor {

namespace {

constexpr int ListLinesPerPageHeight = 45; // the list font is a 45th of the page high
constexpr int ListX = 20;
constexpr int BillLineHeight = 85;
constexpr int BillFirstTitleY = 16;

const QString& unknownText()
{
    static const QString text = QStringLiteral("Unknown Error in HotalBill!");
    return text;
}

} // namespace

bool HotelBill::findSettledStay(const QString& extension, HotelStay& stay)
{
    bool found = false;
    runGuarded(unknownText(), [&] {
        CHotalSet stays;
        stays.setFilter(QStringLiteral("分机号=? and 是否已经结帐=1"), {extension});
        stays.setSort(QStringLiteral("退房日期,退房时间"));
        if (!openOrReport(stays, QStringLiteral("打开宾馆登记表出错,\n无法打印.")))
            return;
        if (stays.recordCount() == 0) {
            Prompt::inform(QStringLiteral("该分机没有登记或结帐,\n无法打印."));
            return;
        }
        // The last row in check-out order is the latest stay.
        stays.moveFirst();
        for (int i = 1; i < stays.recordCount(); ++i)
            stays.moveNext();
        using C = CHotalSet;
        stay.extension = extension;
        stay.checkInDate = stays.text(C::CheckInDate);
        stay.checkInTime = stays.text(C::CheckInTime);
        stay.checkOutDate = stays.text(C::CheckOutDate);
        stay.checkOutTime = stays.text(C::CheckOutTime);
        stay.room = stays.text(C::Room).trimmed();
        stay.guest = stays.text(C::GuestName).trimmed();
        stay.accrued = Money::fromStored(stays.single(C::Accrued));
        stay.serviceRatio = stays.single(C::ServiceRatio);
        found = true;
    });
    return found;
}

bool HotelBill::loadCalls(const HotelStay& stay, QList<BilledCall>& calls)
{
    calls.clear();
    bool loaded = false;
    runGuarded(unknownText(), [&] {
        // The calls added to the stay, however long they lasted around
        // check-in and check-out: one line for every call its total holds.
        QList<QStringList> linked;
        QHash<QString, BilledCall> details;
        try {
            CDatabase& db = CDatabase::shared();
            const QString stayLinks = QStringLiteral(" WHERE l.分机号=? AND l.入住日期=? AND l.入住时间=?");
            QSqlQuery links = db.prepare(QStringLiteral("SELECT l.被叫号, l.日期, l.时间 FROM 宾馆通话表 l") +
                                         stayLinks + QStringLiteral(" ORDER BY l.日期, l.时间, l.被叫号"));
            QSqlQuery rows = db.prepare(
                QStringLiteral(
                    "SELECT DISTINCT c.主叫号, c.被叫号, c.日期, c.时间, c.时长, c.费率, c.计费单位数, "
                    "c.通话费, c.服务费, c.附加费, c.通达地 FROM 宾馆通话表 l JOIN 话费表 c ON "
                    "c.主叫号=l.分机号 AND c.日期=l.日期 AND c.时间=l.时间 AND c.被叫号=l.被叫号") +
                stayLinks);
            for (QSqlQuery* query : {&links, &rows}) {
                query->addBindValue(stay.extension);
                query->addBindValue(stay.checkInDate);
                query->addBindValue(stay.checkInTime);
                CDatabase::exec(*query);
            }
            while (links.next())
                linked.append(
                    {links.value(0).toString(), links.value(1).toString(), links.value(2).toString()});
            const auto single = [&](int i) {
                return CRecordSet::normalize(ColumnType::Single, rows.value(i)).toFloat();
            };
            while (rows.next()) {
                const BilledCall call{rows.value(0).toString(),
                                      rows.value(1).toString(),
                                      rows.value(2).toString(),
                                      rows.value(3).toString(),
                                      single(4),
                                      single(5),
                                      single(6),
                                      single(7),
                                      single(8),
                                      single(9),
                                      rows.value(10).toString()};
                details.insert(call.called + QLatin1Char('|') + call.date + QLatin1Char('|') + call.time,
                               call);
            }
        } catch (const DbError&) {
            Prompt::inform(QStringLiteral("查询话费表出错,\n无法打印."));
            return;
        }
        for (const QStringList& link : std::as_const(linked)) {
            const auto found = details.constFind(link.join(QLatin1Char('|')));
            if (found != details.constEnd())
                calls.append(*found);
        }
        if (calls.isEmpty()) {
            Prompt::inform(QStringLiteral("无该分机通话记录,\n不打印!"));
            return;
        }
        loaded = true;
    });
    return loaded;
}

QString HotelBill::callLine(const BilledCall& c)
{
    const QStringList fields{
        c.caller,
        PadField(c.called, 17, false),
        c.date,
        c.time,
        PadField(FormatWhole(c.duration), 6, true),
        PadField(FormatMoney(c.rate), 5, true),
        PadField(FormatWhole(c.units), 5, true),
        PadField(FormatMoney(c.charge), 7, true),
        PadField(FormatMoney(c.serviceCharge), 6, true),
        PadField(FormatMoney(c.surcharge), 6, true),
        PadField(c.area, 10, true),
    };
    return QStringLiteral("   ") + fields.join(QLatin1Char(' '));
}

ReportDocument HotelBill::itemisedList(const HotelStay& stay, const QList<BilledCall>& calls,
                                       const QString& guestName, const PageGeometry& page)
{
    PageGeometry geometry = page;
    geometry.lineHeight = page.height / ListLinesPerPageHeight;
    ReportPrintJob job(guestName + QStringLiteral("旅客的电话费详单    "), geometry);
    const int h = job.lineHeight();
    const int perPage = job.linesPerPage();
    const auto pair = [](const QString& date, int i) { return date.mid(2 * i, 2); };
    const QString title = QStringLiteral("      话费详单  20") + pair(stay.checkInDate, 0) +
                          QStringLiteral("年") + pair(stay.checkInDate, 1) + QStringLiteral("月") +
                          pair(stay.checkInDate, 2) + QStringLiteral("日 至 20") +
                          pair(stay.checkOutDate, 0) + QStringLiteral("年") + pair(stay.checkOutDate, 1) +
                          QStringLiteral("月") + pair(stay.checkOutDate, 2) + QStringLiteral("日        第");

    Money subtotal;
    job.line = 0;
    job.page = 1;
    for (const BilledCall& call : calls) {
        if (job.line == 0) {
            job.startPage();
            job.printTextLine(ListX, 0, title + QString::number(job.page) + QStringLiteral("页"));
            ++job.page;
            job.printTextLine(ListX, h,
                              QStringLiteral("   主叫号 被叫号          日期   时间 通话时长 费率 计费单位 "
                                             "通话费 服务费 附加费   通达地"));
            job.line = 2;
        }
        subtotal += Money::fromStored(call.charge) + Money::fromStored(call.serviceCharge) +
                    Money::fromStored(call.surcharge);
        job.printTextLine(ListX, h * job.line, callLine(call));
        ++job.line;
        if (job.line >= perPage - 2) {
            job.endPage();
            job.line = 0;
        }
    }
    ++job.line;
    if (!job.pageOpen())
        job.startPage();
    // The ratio with every digit it holds, so that the line adds up on paper.
    const StayCharges charges = StayCharges::at(subtotal, stay.serviceRatio);
    job.printTextLine(ListX, h * job.line,
                      QStringLiteral("         小计金额:") + FormatMoney(subtotal) + QStringLiteral(" +") +
                          FormatMoney(subtotal) + QStringLiteral("x") + RatioText(stay.serviceRatio) +
                          QStringLiteral(" =") + FormatMoney(charges.total()));
    job.endPage();
    return job.finish();
}

ReportDocument HotelBill::simpleBill(const HotelStay& stay, const QString& guestName,
                                     const QString& extension, const QString& room, const QDate& today,
                                     const PageGeometry& page)
{
    PageGeometry geometry = page;
    geometry.lineHeight = BillLineHeight;
    ReportPrintJob job(QStringLiteral("宾馆电话结帐单"), geometry);
    const int h = BillLineHeight;
    const QString period = QStringLiteral(": 贵单位  20") + stay.checkInDate + QStringLiteral(" 至") +
                           QStringLiteral("20") + stay.checkOutDate + QStringLiteral(" 发生通信费用如下:");
    const StayCharges charges = StayCharges::at(stay.accrued, stay.serviceRatio);
    const QString date = today.toString(QStringLiteral("yyyy年MM月dd日"));

    job.startPage();
    int line = 0;
    for (int copy = 1; copy <= 3; ++copy) {
        job.printTextLine(80, copy == 1 ? BillFirstTitleY : h * line,
                          QStringLiteral("宾馆电话费  结帐单             第") + QString::number(copy) +
                              QStringLiteral("联"));
        line += 3;
        job.printTextLine(40, h * line, QStringLiteral("  ") + guestName + period);
        ++line;
        job.drawRule(40, h * line);
        ++line;
        job.printTextLine(40, h * line,
                          QStringLiteral("    分机号:") + extension + QStringLiteral("    房间号:") + room);
        ++line;
        job.printTextLine(40, h * line,
                          QStringLiteral("    电话费:") + PadField(FormatMoney(charges.calls), 8, true) +
                              QStringLiteral("     服务费:") + PadField(FormatMoney(charges.service), 8, true));
        line += 2;
        job.drawRule(40, h * line);
        ++line;
        job.printTextLine(40, h * line,
                          QStringLiteral("            合计:") +
                              PadField(FormatMoney(charges.total()), 8, false) +
                              QStringLiteral("元人民币"));
        ++line;
        job.printTextLine(40, h * line, QString(30, QLatin1Char(' ')) + date);
        line += 2;
        if (copy < 3)
            job.printTextLine(
                40, h * line,
                QStringLiteral("   ---------------Cut--------Line---------------盖----章--------------"));
        line += 2;
    }
    job.endPage();
    return job.finish();
}

} // namespace qalor
