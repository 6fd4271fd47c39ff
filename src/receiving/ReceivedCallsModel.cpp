#include "receiving/ReceivedCallsModel.h"

#include "format/TextFormat.h"
#include "rating/CCallRater.h"

#include <QTime>
#include <array>

namespace qalor {

namespace {

const std::array<QString, ReceivedCallsModel::ColumnCount>& headings()
{
    static const std::array<QString, ReceivedCallsModel::ColumnCount> texts = {
        QStringLiteral(" 主叫号 "),        QStringLiteral("   被    叫    号   "),
        QStringLiteral(" 日     期 "),     QStringLiteral("时     间"),
        QStringLiteral("通话 时长"),       QStringLiteral("费   率"),
        QStringLiteral("通  话  费 "),     QStringLiteral("附  加  费 "),
        QStringLiteral("   描     述   "),
    };
    return texts;
}

// A duration as hours (of the day), minutes and seconds, the way the stored
// call's 时长 counts it.
QString durationText(int seconds)
{
    const int s = qMax(0, seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600 % 24, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ReceivedCallsModel::ReceivedCallsModel(QObject* parent) : QAbstractTableModel(parent) {}

QString ReceivedCallsModel::heading(int column)
{
    return column >= 0 && column < ColumnCount ? headings()[column] : QString();
}

QStringList ReceivedCallsModel::cellsFor(const PricedCall& call)
{
    return {
        call.caller,
        PadField(call.called, 17, false),
        call.start.date.toString(QStringLiteral("yyyy-MM-dd")),
        QTime(0, 0).addSecs(call.start.second).toString(QStringLiteral("HH:mm:ss")),
        durationText(call.seconds),
        PadField(FormatMoney(call.effectiveRate), 5, true),
        PadField(FormatMoney(call.charge), 7, true),
        PadField(FormatMoney(call.surcharge), 7, true),
        PadField(call.area, 10, true),
    };
}

void ReceivedCallsModel::countRow()
{
    if (m_counter < MaxRows)
        ++m_counter;
    if (m_counter == MaxRows && m_rows.size() > MaxRows) {
        beginRemoveRows({}, MaxRows, int(m_rows.size()) - 1);
        m_rows.resize(MaxRows);
        endRemoveRows();
    }
}

void ReceivedCallsModel::addCall(const PricedCall& call)
{
    beginInsertRows({}, 0, 0);
    m_rows.prepend(cellsFor(call));
    endInsertRows();
    countRow();
    emit callAdded(call);
}

void ReceivedCallsModel::noteReportLine()
{
    countRow();
    emit reportLineNoted();
}

QString ReceivedCallsModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= ColumnCount)
        return {};
    return m_rows.at(row).at(column);
}

int ReceivedCallsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReceivedCallsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

QVariant ReceivedCallsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant ReceivedCallsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return heading(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

} // namespace qalor
