#include "web/StatusApi.h"

#include "collectordata/CallFeed.h"
#include "collectordata/CollectorBeat.h"
#include "intake/ReceivedCallsModel.h"
#include "web/WebParams.h"
#include "web/WebReply.h"

#include <QDateTime>
#include <QJsonArray>

namespace qalor {

QHttpServerResponse StatusApi::collectors()
{
    QJsonArray rows;
    for (const CollectorBeat& beat : CollectorBeat::all()) {
        rows.append(QJsonObject{
            {QStringLiteral("name"), beat.service},
            {QStringLiteral("port"), beat.port},
            {QStringLiteral("state"), CollectorBeat::linkText(beat.link)},
            {QStringLiteral("fresh"), beat.fresh()},
            {QStringLiteral("reportWaiting"), beat.reportWaiting},
            {QStringLiteral("seen"),
             QDateTime::fromMSecsSinceEpoch(beat.beatMs).toOffsetFromUtc(0).toString(Qt::ISODate)},
        });
    }
    return WebReply::json({{QStringLiteral("collectors"), rows}});
}

QHttpServerResponse StatusApi::live(const WebParams& params)
{
    const qint64 newest = CallFeed::newest();
    qint64 after = params.number(QStringLiteral("after"), 0, 0, std::numeric_limits<qint64>::max() / 2);
    if (after == 0)
        after = newest - NewestCalls;
    after = std::max(after, newest - MostCalls);
    QJsonArray calls;
    for (const CallFeed::Entry& entry : CallFeed::after(after)) {
        QJsonObject row{{QStringLiteral("序号"), entry.number}, {QStringLiteral("服务"), entry.service}};
        const QStringList cells = ReceivedCallsModel::cellsFor(entry.call);
        for (int column = 0; column < ReceivedCallsModel::ColumnCount; ++column)
            row.insert(ReceivedCallsModel::heading(column).simplified().remove(QLatin1Char(' ')),
                       cells.value(column).trimmed());
        calls.append(row);
    }
    return WebReply::json({{QStringLiteral("newest"), newest}, {QStringLiteral("calls"), calls}});
}

} // namespace qalor
