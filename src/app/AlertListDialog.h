#pragma once

#include "rating/AlertLog.h"

#include <QDialog>
#include <functional>

class QTableWidget;

namespace qalor {

// The alerts nobody has acknowledged yet, oldest first. "确认所选" and
// "全部确认" hand the chosen alerts to the acknowledgement and show what
// is left.
class AlertListDialog : public QDialog
{
    Q_OBJECT
public:
    // acknowledge: the alerts' IDs in, how many were acknowledged out (-1: failed).
    using Acknowledge = std::function<int(const QList<int>& ids)>;
    explicit AlertListDialog(Acknowledge acknowledge, QWidget* parent = nullptr);

    // Reads the unacknowledged alerts again.
    void reload();
    int rowCount() const;
    QTableWidget* table() const { return m_table; }
    void acknowledgeSelected();
    void acknowledgeAll();

private:
    void acknowledgeRows(const QList<int>& rows);

    Acknowledge m_acknowledge;
    QTableWidget* m_table = nullptr;
    QList<AlertLog::Row> m_rows;
};

} // namespace qalor
