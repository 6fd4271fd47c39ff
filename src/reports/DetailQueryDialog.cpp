#include "reports/DetailQueryDialog.h"

#include "gui/WaitCursor.h"
#include "print/ReportOutput.h"
#include "prompt/Prompt.h"
#include "reports/CallCursor.h"
#include "reports/DetailCsv.h"
#include "reports/DetailXlsx.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <algorithm>

namespace qalor {

namespace {
const QString QueryFailure = QStringLiteral("Unknow Error Occured in Query-job!");
const QString PrintFailure = QStringLiteral("Unknow Error Occured in Printing-job!");

QDateEdit* todayPicker(QWidget* parent)
{
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return picker;
}
} // namespace

void DetailQueryDialog::fitToContent(QLineEdit* edit)
{
    // Room for the longest entry and one character more, inside the frame.
    const int characters = std::min(edit->maxLength(), 24) + 1;
    const int text = edit->fontMetrics().horizontalAdvance(QString(characters, QLatin1Char('0')));
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QSize hint = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                                       QSize(text, edit->fontMetrics().height()), edit);
    edit->setFixedWidth(hint.width());
}

DetailQueryDialog::DetailQueryDialog(const QString& caption, const QString& heading, DetailLayout layout,
                                     FailureTexts texts, QWidget* parent)
    : QDialog(parent), m_layout(layout), m_texts(std::move(texts)), m_pager(heading)
{
    setWindowTitle(caption);
    setModal(true);

    m_start = todayPicker(this);
    m_end = todayPicker(this);
    auto* startLabel = new QLabel(QStringLiteral("起日期"), this);
    startLabel->setBuddy(m_start);
    auto* endLabel = new QLabel(QStringLiteral("止日期"), this);
    endLabel->setBuddy(m_end);
    m_filters = new QGridLayout;
    m_filters->addWidget(startLabel, 0, 0);
    m_filters->addWidget(m_start, 0, 1, Qt::AlignLeft);
    m_filters->addWidget(endLabel, 0, 2);
    m_filters->addWidget(m_end, 0, 3, Qt::AlignLeft);
    // Label and field pairs in aligned columns, each field as wide as what
    // it holds; the room left over goes to the right of the last pair.
    m_filters->setColumnStretch(4, 1);
    for (QWidget* picker : {static_cast<QWidget*>(m_start), static_cast<QWidget*>(m_end)})
        picker->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_list = new QListWidget(this);
    m_list->setAccessibleName(QStringLiteral("查询结果"));
    // Columns are padded with blanks: they line up only in a fixed-pitch face
    // where a Chinese character is exactly two Latin ones wide on screen.
    QFont fixed(QStringLiteral("Noto Sans Mono CJK SC"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    m_list->setFont(fixed);
    m_list->setMinimumSize(QSize(QFontMetrics(fixed).horizontalAdvance(QString(100, QLatin1Char('0'))), 400));

    auto* buttons = new QHBoxLayout;
    const auto addButton = [&](const QString& text, auto handler) {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, handler);
        buttons->addWidget(button);
        return button;
    };
    QPushButton* query = addButton(QStringLiteral("查询"), &DetailQueryDialog::runQuery);
    query->setDefault(true);
    m_first = addButton(QStringLiteral("第一页"), &DetailQueryDialog::showFirstPage);
    m_next = addButton(QStringLiteral("下一页"), &DetailQueryDialog::showNextPage);
    addButton(QStringLiteral("打印"), &DetailQueryDialog::printBill);
    addButton(QStringLiteral("打印预览"), &DetailQueryDialog::previewBill);
    addButton(QStringLiteral("导出"), &DetailQueryDialog::exportCsv);
    addButton(QStringLiteral("导出Excel"), &DetailQueryDialog::exportXlsx);
    // Esc closes the dialog as 返回 does; nothing prints without 打印.
    addButton(QStringLiteral("返回"), &QDialog::reject);
    m_first->setEnabled(false);
    m_next->setEnabled(false);

    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->addLayout(m_filters);
    layoutBox->addWidget(m_list);
    layoutBox->addLayout(buttons);
}

QString DetailQueryDialog::queryFirstText()
{
    return QStringLiteral("请先查询!");
}

DetailQuery DetailQueryDialog::periodQuery() const
{
    DetailQuery query;
    query.start = m_start->date();
    query.end = m_end->date();
    return query;
}

QStringList DetailQueryDialog::listLines() const
{
    QStringList lines;
    for (int i = 0; i < m_list->count(); ++i)
        lines << m_list->item(i)->text();
    return lines;
}

void DetailQueryDialog::showPager()
{
    m_list->clear();
    m_list->addItems(m_pager.lines());
    m_next->setEnabled(m_pager.nextEnabled());
    m_first->setEnabled(m_pager.firstEnabled());
}

void DetailQueryDialog::runQuery()
{
    runGuarded(QueryFailure, [this] {
        WaitCursor wait;
        m_list->clear();
        const std::optional<DetailQuery> query = readQuery();
        if (!query)
            return;
        try {
            m_pager.start(std::make_unique<CallCursor>(*query));
        } catch (const DbError& error) {
            m_pager.clear();
            m_lastQuery.reset();
            showPager();
            Prompt::inform(QStringLiteral("felt open table!"));
            Prompt::inform(error.message());
            return;
        }
        m_lastQuery = query;
        showPager();
    });
}

void DetailQueryDialog::showNextPage()
{
    runGuarded(m_texts.next, [this] {
        m_pager.nextPage();
        showPager();
    });
}

void DetailQueryDialog::showFirstPage()
{
    runGuarded(m_texts.first, [this] {
        m_pager.firstPage();
        showPager();
    });
}

bool DetailQueryDialog::haveResult()
{
    if (m_lastQuery)
        return true;
    Prompt::inform(queryFirstText());
    return false;
}

// The bill of the last query's calls, titled with that query's period.
ReportBuilder DetailQueryDialog::billBuilder() const
{
    const DetailQuery query = *m_lastQuery;
    const DetailBillOptions options{m_layout, query.start, query.end};
    return [query, options](const PageGeometry& page) {
        CallCursor calls(query);
        return DetailBill::build(calls, page, options);
    };
}

// The bill is printed from its own run of the last query, so the list keeps
// its page, its paging and its subtotal.
void DetailQueryDialog::printBill()
{
    runGuarded(PrintFailure, [this] {
        if (!haveResult())
            return;
        ReportOutput::print(this, billBuilder());
    });
}

void DetailQueryDialog::previewBill()
{
    if (!haveResult())
        return;
    ReportOutput::preview(this, billBuilder());
}

void DetailQueryDialog::exportCsv()
{
    exportTo(QStringLiteral("导出"), QStringLiteral(".csv"), QStringLiteral("CSV (*.csv)"),
             &DetailCsv::write);
}

void DetailQueryDialog::exportXlsx()
{
    exportTo(QStringLiteral("导出Excel"), QStringLiteral(".xlsx"), QStringLiteral("Excel 工作簿 (*.xlsx)"),
             &DetailXlsx::write);
}

void DetailQueryDialog::exportTo(const QString& caption, const QString& suffix, const QString& filter,
                                 bool (*write)(CallSource&, const QString&, QString*))
{
    runGuarded(QueryFailure, [&] {
        if (!haveResult())
            return;
        const QString file =
            ReportOutput::chooseSaveFile(this, caption, DetailBill::documentName() + suffix, filter);
        if (file.isEmpty())
            return;
        WaitCursor wait;
        CallCursor calls(*m_lastQuery);
        QString error;
        if (!write(calls, file, &error))
            Prompt::inform(error);
        else
            Prompt::inform(Prompt::exportedText(file));
    });
}

void DetailQueryDialog::done(int result)
{
    runGuarded(m_texts.close, [this] { m_pager.clear(); });
    QDialog::done(result);
}

} // namespace qalor
