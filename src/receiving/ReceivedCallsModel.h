#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace qalor {

struct PricedCall;

// The received-calls list: the most recent priced calls, newest on top, at
// most 30 rows. Cells hold the texts exactly as shown (padded money and
// number columns), so the list and its tests read the same strings.
class ReceivedCallsModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_MOC_INCLUDE("rating/CCallRater.h")
public:
    enum Column { Caller, Called, Date, Time, Duration, Rate, Charge, Surcharge, Area, ColumnCount };
    static constexpr int MaxRows = 30;

    explicit ReceivedCallsModel(QObject* parent = nullptr);

    static QString heading(int column);
    // The nine shown texts of one priced call.
    static QStringList cellsFor(const PricedCall& call);

    // Puts a priced call on top; the row below the thirtieth goes.
    void addCall(const PricedCall& call);
    // A line collected for REPORT processing: counted like a call; the rows
    // keep the real calls and reportLineNoted() lets the window say it.
    void noteReportLine();

    static QString reportLineText() { return QStringLiteral("收到一条CDR记录"); }
    // Forgets the rows counted so far (the list itself stays).
    void resetCounter() { m_counter = 0; }

    QString cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void reportLineNoted();
    // A priced call was put on top (a collector passes it on to the windows).
    void callAdded(const qalor::PricedCall& call);

private:
    void countRow();

    QList<QStringList> m_rows;
    int m_counter = 0;
};

} // namespace qalor
