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

    // Chooses the button scripted in choices (the first when the script has
    // run out).
    int askChoice(const QString& text, const QString& caption, const QStringList& buttons) override
    {
        texts << text;
        captions << caption;
        choiceButtons << buttons;
        return choices.isEmpty() ? 0 : choices.takeFirst();
    }

    QStringList texts;
    QStringList captions; // of the questions asked
    QList<bool> answers;
    QList<int> choices;
    QList<QStringList> choiceButtons; // of the choices asked
};

} // namespace qalor::test
