#pragma once

#include "intake/LineJournal.h"

#include <QString>
#include <QStringList>

namespace qalor {

// The CDR lines collected in REPORT mode, oldest first. Every line reaches
// the journal on disk before it is kept, and leaves it only once its batch
// is stored, so a crash or restart loses nothing and prices nothing twice.
// The lines are read back from the journal a slice at a time as they are
// priced: a weekend's collection is never held in memory whole.
class ReportLines
{
public:
    explicit ReportLines(const QString& journalPath = defaultJournalPath());
    static QString defaultJournalPath();

    // Keeps a line, with the received-stream position it came from (-1:
    // none). False when the journal cannot be written: the line is not
    // kept (in memory only, it would be gone after a restart) and the
    // caller keeps it where it came from; the reason goes to failure, or is
    // shown once until writing works again.
    bool collect(const QString& line, qint64 source = -1, QString* failure = nullptr);
    // Replaces the list with what the journal holds and the data source has
    // not stored yet; returns the count.
    int restore();

    int size() const { return m_waiting; }
    bool isEmpty() const { return m_waiting == 0; }
    // The oldest count lines (all when fewer wait), read ahead from the
    // journal as far as needed. Entry numbers are the journal's, 0 for a
    // line that never reached it.
    QList<LineJournal::Entry> first(int count);
    // Every line kept, oldest first (reads the whole journal: for a short list).
    QStringList lines() const;
    // Forgets the oldest lines once they are stored, in the journal too:
    // the journal forgets exactly the entries of those lines, never one of a
    // later line. False (shown) when the journal could not be written.
    bool dropFirst(int count);

    LineJournal& journal() { return m_journal; }
    const LineJournal& journal() const { return m_journal; }

    // The status-bar text of REPORT processing: "REPORT: N 行待计算" while
    // lines wait, with "正在接收" while they are being collected; empty when
    // neither.
    QString statusText(bool collecting) const;
    // The same for a count of lines kept elsewhere (a collector's).
    static QString statusText(int waiting, bool collecting);

private:
    // Reads on into front until it holds count lines or nothing more waits.
    void readAhead(QList<LineJournal::Entry>& front, LineJournal::Position& at, qsizetype count) const;

    LineJournal m_journal;
    LineJournal::Position m_read;       // where the journal is read on
    qint64 m_doneThrough = 0;           // entries up to here are stored or forgotten
    QList<LineJournal::Entry> m_front;  // the oldest lines, read ahead
    int m_waiting = 0;
    bool m_placed = false; // restored, or placed after what an earlier run left
    bool m_failureShown = false;
};

} // namespace qalor
