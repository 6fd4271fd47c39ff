#pragma once

#include "intake/LineJournal.h"

#include <QDialog>
#include <functional>

class QPushButton;
class QTableWidget;

namespace qalor {

// "未成行的CDR数据": the pieces kept because they did not form a CDR line,
// with the time each was kept and its bytes, and "丢弃", which asks first,
// forgets them all and notes it in LOGINFO.
class UnframedDialog : public QDialog
{
    Q_OBJECT
public:
    // discard forgets the pieces and returns how many there were.
    UnframedDialog(const QList<LineJournal::Entry>& pieces, std::function<int()> discard,
                   QWidget* parent = nullptr);

    QTableWidget& table() { return *m_table; }
    void discard();
    // "合并": the selected piece, cut by a break, and the one after it make
    // one line; joinable gives that line (empty when they do not), join
    // collects it. Asks first and notes it in LOGINFO. A join keeps the
    // other pieces numbered anew: the list is read again from pieces.
    void allowJoining(std::function<QString(qint64 head)> joinable, std::function<bool(qint64 head)> join,
                      std::function<QList<LineJournal::Entry>()> pieces);
    void join();

    // A piece as the list shows it: control characters as \xHH.
    static QString shownText(const QString& piece);
    static QString discardQuestion(int pieces, qint64 bytes);

private:
    void fill(const QList<LineJournal::Entry>& pieces);

    QTableWidget* m_table;
    std::function<int()> m_discard;
    std::function<QString(qint64)> m_joinable;
    std::function<bool(qint64)> m_join;
    std::function<QList<LineJournal::Entry>()> m_reread;
    QList<LineJournal::Entry> m_entries;
    QPushButton* m_joinButton = nullptr;
    int m_pieces = 0;
    qint64 m_bytes = 0;
};

} // namespace qalor
