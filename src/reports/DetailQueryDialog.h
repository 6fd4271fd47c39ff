#pragma once

#include "print/ReportPainter.h"
#include "reports/CallSource.h"
#include "reports/DetailBill.h"
#include "reports/DetailPager.h"
#include "reports/DetailQuery.h"

#include <QDialog>
#include <optional>

class QDateEdit;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qalor {

// What the two detail-bill query dialogs share: the period, the list of
// screen pages with "第一页" and "下一页", and the printed, previewed and
// exported bill of the last query's calls. Each dialog adds its own filter
// controls to filters() and says how they restrict the query.
class DetailQueryDialog : public QDialog
{
    Q_OBJECT

public:
    // The fixed texts each dialog shows when a handler fails for a reason
    // the data source did not name.
    struct FailureTexts
    {
        QString next;
        QString first;
        QString close;
    };

    // 查询: reads the controls, runs the query and shows its first page.
    void runQuery();
    void showNextPage();
    void showFirstPage();
    void printBill();
    void previewBill();
    void exportCsv();
    void exportXlsx();

    QStringList listLines() const;
    // The query of the calls on the list (none before the first 查询).
    const std::optional<DetailQuery>& lastQuery() const { return m_lastQuery; }

    static QString queryFirstText();

protected:
    DetailQueryDialog(const QString& caption, const QString& heading, DetailLayout layout,
                      FailureTexts texts, QWidget* parent);

    // The query the controls describe, or nothing when it must not run (the
    // dialog has said why).
    virtual std::optional<DetailQuery> readQuery() = 0;
    DetailQuery periodQuery() const;
    QGridLayout* filters() const { return m_filters; }
    // Makes a filter edit as wide as its longest entry.
    static void fitToContent(QLineEdit* edit);
    void done(int result) override;

private:
    // Asks for a file and writes every call of the last query there.
    void exportTo(const QString& caption, const QString& suffix, const QString& filter,
                  bool (*write)(CallSource&, const QString&, QString*));
    void showPager();
    bool haveResult();
    ReportBuilder billBuilder() const;

    DetailLayout m_layout;
    FailureTexts m_texts;
    DetailPager m_pager;
    std::optional<DetailQuery> m_lastQuery;
    QDateEdit* m_start;
    QDateEdit* m_end;
    QGridLayout* m_filters;
    QListWidget* m_list;
    QPushButton* m_first;
    QPushButton* m_next;
};

} // namespace qalor
