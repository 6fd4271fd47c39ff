#pragma once

#include "prompt/Prompt.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace qalor {

// Messages raised while characters are being handled must not stop the
// handling: a message box there would hold every call behind it. While a
// Scope lives, messages are queued instead; show() puts them through the
// prompt installed outside the scope, one after the other, never stacked: a
// text that is already open or waiting is only counted. Questions are not
// queued (the caller needs the answer); they go straight through.
class DeferredPrompt : public IPrompt
{
public:
    class Scope
    {
    public:
        explicit Scope(DeferredPrompt& prompt)
            : m_prompt(prompt), m_outer(prompt.m_outer), m_redirect(prompt)
        {
            prompt.m_outer = m_redirect.previous();
        }
        ~Scope() { m_prompt.m_outer = m_outer; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        DeferredPrompt& m_prompt;
        IPrompt* m_outer;
        Prompt::Redirect m_redirect;
    };

    void inform(const QString& text) override;
    bool askOkCancel(const QString& text, const QString& caption) override;
    int askChoice(const QString& text, const QString& caption, const QStringList& buttons) override;

    // Shows the waiting messages; does nothing when called while one of
    // them is open (the open one's caller shows the rest).
    void show();
    bool isShowing() const { return m_showing; }
    const QStringList& waiting() const { return m_waiting; }
    // How often a text came again while it was open or waiting.
    int repeats(const QString& text) const { return m_repeats.value(text); }

private:
    IPrompt* m_outer = nullptr;
    QStringList m_waiting;
    QString m_open;
    QHash<QString, int> m_repeats;
    bool m_showing = false;
};

} // namespace qalor
