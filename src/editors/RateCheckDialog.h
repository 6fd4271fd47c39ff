#pragma once

#include <QDialog>

class QDateEdit;
class QLabel;
class QTableWidget;

namespace qalor {

// "检查费率表": the dialled prefixes of a period's calls that the rate table
// matched only partly or not at all, with call counts and amounts.
class RateCheckDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RateCheckDialog(QWidget* parent = nullptr);

    void setPeriod(QDate from, QDate to);
    // Runs the check over the chosen period and shows the findings.
    void check();
    QTableWidget& findings() { return *m_table; }
    // The 区号 that several rows of 费率表 hold (hidden when none).
    QLabel& duplicates() { return *m_duplicates; }

private:
    QDateEdit* m_from;
    QDateEdit* m_to;
    QTableWidget* m_table;
    QLabel* m_duplicates;
};

} // namespace qalor
