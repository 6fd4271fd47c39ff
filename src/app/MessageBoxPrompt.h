#pragma once

#include "prompt/Prompt.h"

namespace qalor {

// The workstation's prompt: a message box over the active window, with OK,
// with OK and Cancel, or with the buttons a question names (Esc and the
// window's close button choose the last).
class MessageBoxPrompt : public IPrompt
{
public:
    void inform(const QString& text) override;
    bool askOkCancel(const QString& text, const QString& caption) override;
    int askChoice(const QString& text, const QString& caption, const QStringList& buttons) override;

    static QString title() { return QStringLiteral("HARRIS 20-20 程控数字交换机计费软件"); }
};

} // namespace qalor
