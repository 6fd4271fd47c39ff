#include "prompt/DeferredPrompt.h"

namespace qalor {

void DeferredPrompt::inform(const QString& text)
{
    if ((m_showing && text == m_open) || m_waiting.contains(text)) {
        ++m_repeats[text];
        return;
    }
    m_waiting.append(text);
}

bool DeferredPrompt::askOkCancel(const QString& text, const QString& caption)
{
    if (m_outer)
        return m_outer->askOkCancel(text, caption);
    Prompt::install(nullptr);
    const bool answer = Prompt::askOkCancel(text, caption);
    Prompt::install(this);
    return answer;
}

int DeferredPrompt::askChoice(const QString& text, const QString& caption, const QStringList& buttons)
{
    if (m_outer)
        return m_outer->askChoice(text, caption, buttons);
    Prompt::install(nullptr);
    const int answer = Prompt::askChoice(text, caption, buttons);
    Prompt::install(this);
    return answer;
}

void DeferredPrompt::show()
{
    if (m_showing)
        return;
    m_showing = true;
    while (!m_waiting.isEmpty()) {
        m_open = m_waiting.takeFirst();
        Prompt::inform(m_open);
        m_open.clear();
    }
    m_showing = false;
}

} // namespace qalor
