#include "app/UnframedDialog.h"

#include "access/AuditLog.h"
#include "editors/ReadOnlyCell.h"
#include "intake/UnframedJoin.h"
#include "prompt/Prompt.h"
#include "serial/StreamBreak.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>

namespace qalor {

namespace {

constexpr int ShownCharacters = 80;

} // namespace

QString UnframedDialog::shownText(const QString& piece)
{
    QString shown;
    for (const QChar c : piece.left(ShownCharacters)) {
        if (c == QChar(StreamBreak))
            shown += QStringLiteral("(中断)");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    if (piece.size() > ShownCharacters)
        shown += QStringLiteral("……");
    return shown;
}

QString UnframedDialog::discardQuestion(int pieces, qint64 bytes)
{
    return QStringLiteral("确实要丢弃这%1段共%2字节的CDR数据吗?\n丢弃后无法恢复,其中的通话将不再计费.")
        .arg(pieces)
        .arg(bytes);
}

UnframedDialog::UnframedDialog(const QList<LineJournal::Entry>& pieces, std::function<int()> discard,
                               QWidget* parent)
    : QDialog(parent), m_table(new QTableWidget(this)), m_discard(std::move(discard))
{
    setWindowTitle(QStringLiteral("未成行的CDR数据"));
    setObjectName(QStringLiteral("UnframedDialog"));
    m_table->setAccessibleName(QStringLiteral("未成行的CDR数据"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("收到时间"), QStringLiteral("字节数"), QStringLiteral("内容")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->setRowCount(int(pieces.size()));
    for (int row = 0; row < pieces.size(); ++row) {
        const LineJournal::Entry& piece = pieces.at(row);
        // The serial line delivers one character per byte.
        const qint64 bytes = piece.text.size();
        m_bytes += bytes;
        const QString time =
            piece.time < 0
                ? QStringLiteral("未记录")
                : QDateTime::fromMSecsSinceEpoch(piece.time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        m_table->setItem(row, 0, readOnlyCell(time));
        m_table->setItem(row, 1, readOnlyCell(QString::number(bytes), true));
        m_table->setItem(row, 2, readOnlyCell(shownText(piece.text)));
    }
    m_pieces = int(pieces.size());
    m_entries = pieces;
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->resizeColumnsToContents();

    auto* note = new QLabel(QStringLiteral("这些数据不符合当前的CDR字段定义,无法计费."), this);
    auto* drop = new QPushButton(QStringLiteral("丢弃"), this);
    drop->setAutoDefault(false);
    drop->setEnabled(m_pieces > 0);
    connect(drop, &QPushButton::clicked, this, &UnframedDialog::discard);
    m_joinButton = new QPushButton(QStringLiteral("合并"), this);
    m_joinButton->setAutoDefault(false);
    m_joinButton->setVisible(false);
    connect(m_joinButton, &QPushButton::clicked, this, &UnframedDialog::join);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_joinButton);
    buttons->addWidget(drop);
    buttons->addWidget(back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(720, 360);
}

void UnframedDialog::discard()
{
    if (m_pieces == 0 || !Prompt::askOkCancel(discardQuestion(m_pieces, m_bytes), QStringLiteral("丢弃")))
        return;
    int discarded = 0;
    try {
        discarded = m_discard();
    } catch (const std::exception& error) {
        Prompt::inform(QString::fromLocal8Bit(error.what()));
        return;
    }
    AuditLog::write(AuditLog::nobody(),
                    QStringLiteral("丢弃未成行的CDR数据%1段%2字节").arg(discarded).arg(m_bytes),
                    AuditLog::success());
    m_table->setRowCount(0);
    m_pieces = 0;
    m_bytes = 0;
    accept();
}

} // namespace qalor

namespace qalor {

void UnframedDialog::allowJoining(std::function<QString(qint64)> joinable, std::function<bool(qint64)> join)
{
    m_joinable = std::move(joinable);
    m_join = std::move(join);
    m_joinButton->setVisible(true);
}

void UnframedDialog::join()
{
    const int row = m_table->currentRow();
    if (!m_join || row < 0 || row + 1 >= m_entries.size())
        return;
    const LineJournal::Entry head = m_entries.at(row);
    const LineJournal::Entry tail = m_entries.at(row + 1);
    const QString line = m_joinable(head.number);
    if (line.isEmpty()) {
        Prompt::inform(UnframedJoin::notALineText());
        return;
    }
    if (!Prompt::askOkCancel(UnframedJoin::question(head, tail), QStringLiteral("合并")) ||
        !m_join(head.number))
        return;
    AuditLog::write(AuditLog::nobody(), UnframedJoin::auditText(line), AuditLog::success());
    m_bytes -= head.text.size() + tail.text.size();
    m_pieces -= 2;
    m_entries.remove(row, 2);
    m_table->removeRow(row + 1);
    m_table->removeRow(row);
}

} // namespace qalor
