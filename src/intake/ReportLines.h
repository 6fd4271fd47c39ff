#pragma once

#include "intake/LineJournal.h"

#include <QString>
#include <QStringList>

namespace qalor {

// The CDR lines collected in REPORT mode, oldest first. Every line reaches
// the journal on disk before it is kept, and leaves it only once its batch
// is stored, so a crash or restart loses nothing and prices nothing twice.
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

    const QStringList& lines() const { return m_lines; }
    int size() const { return int(m_lines.size()); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    // The journal entry number of a kept line, 0 when it never reached the journal.
    qint64 entryNumber(int index) const { return m_numbers.at(index); }
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
    LineJournal m_journal;
    QStringList m_lines;
    QList<qint64> m_numbers;
    bool m_failureShown = false;
};

} // namespace qalor
