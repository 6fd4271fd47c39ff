#pragma once

#include <QString>

namespace qalor {

class DeferredPrompt;

// Why received characters wait instead of being handled, told once an
// outage however often they are tried again: the data source could not be
// reached (the driver's text), or a journal could not be written (its
// reason and how many characters wait).
class StallNotices
{
public:
    explicit StallNotices(DeferredPrompt& notices);
    static QString journalFailureText(const QString& reason, qint64 waiting);

    // The line met a data source that could not be reached.
    void unreachable(const QString& text) { m_unreachableText = text; }
    // The line waits for news that is not the person's (the answer to a
    // commit was lost; it is checked again).
    void unsure() { m_unreachableText.clear(); }
    // A journal the line needs refused it: that is what the person is told,
    // once the line waits (stalled), so that the count includes it.
    void journalRefused(const QString& reason);
    // The received journal refused characters; waiting: how many wait.
    void journalFailed(const QString& reason, qint64 waiting);
    // The line and everything after it wait: says why.
    void stalled(qint64 waiting);
    // A line was handled: the next outage is told again.
    void handled();

private:
    DeferredPrompt& m_notices;
    QString m_unreachableText; // what the driver said when the data source could not be reached
    QString m_refusedReason;   // why a journal the last line needed refused it
    bool m_unreachableTold = false;
    bool m_journalFailureShown = false;
};

} // namespace qalor
