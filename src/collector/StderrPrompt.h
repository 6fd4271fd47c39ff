#pragma once

#include "prompt/Prompt.h"

#include <QStringList>

namespace qalor {

// The collector's prompt: it has no window, so every message goes to
// standard error as one line (the journal of a service keeps it), its line
// breaks written as blanks. Questions are answered Cancel, as nobody is
// there to answer them. The texts said while a request is handled are kept
// for its answer.
class StderrPrompt : public IPrompt
{
public:
    // One line of a message.
    static QString lineOf(const QString& text);

    void inform(const QString& text) override;
    // A line for the log only: not a message, so never part of a request's answer.
    static void log(const QString& text);
    bool askOkCancel(const QString& text, const QString& caption) override;

    // Starts keeping the texts said; taken() returns them and stops.
    void keep();
    QStringList taken();
    // The last text said.
    const QString& last() const { return m_last; }

private:
    bool m_keeping = false;
    QStringList m_kept;
    QString m_last;
};

} // namespace qalor
