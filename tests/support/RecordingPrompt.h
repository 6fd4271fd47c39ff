#pragma once

#include "prompt/Prompt.h"

#include <QStringList>

namespace qalor::test {

// Keeps every text shown and answers questions from a script (OK when the
// script has run out). Installs itself for its lifetime.
class RecordingPrompt : public IPrompt
{
public:
    RecordingPrompt() { Prompt::install(this); }
    ~RecordingPrompt() override { Prompt::install(nullptr); }

    void inform(const QString& text) override { texts << text; }
    bool askOkCancel(const QString& text, const QString& caption) override
    {
        texts << text;
        captions << caption;
        return answers.isEmpty() ? true : answers.takeFirst();
    }

    QStringList texts;
    QStringList captions; // of the questions asked
    QList<bool> answers;
};

} // namespace qalor::test
