#include "prompt/Prompt.h"

#include <cstdio>

namespace qalor {

namespace {

class StandardErrorPrompt : public IPrompt
{
public:
    void inform(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool askOkCancel(const QString& text, const QString&) override
    {
        inform(text);
        return false;
    }
};

IPrompt*& installed()
{
    static IPrompt* prompt = nullptr;
    return prompt;
}

} // namespace

namespace Prompt {

void install(IPrompt* prompt)
{
    installed() = prompt;
}

IPrompt& current()
{
    static StandardErrorPrompt fallback;
    return installed() ? *installed() : fallback;
}

void inform(const QString& text)
{
    current().inform(text);
}

bool askOkCancel(const QString& text, const QString& caption)
{
    return current().askOkCancel(text, caption);
}

int askChoice(const QString& text, const QString& caption, const QStringList& buttons)
{
    return current().askChoice(text, caption, buttons);
}

namespace {
class QuietPrompt : public IPrompt
{
public:
    void inform(const QString&) override {}
    bool askOkCancel(const QString&, const QString&) override { return false; }
};
} // namespace

Redirect::Redirect(IPrompt& to) : m_previous(installed())
{
    installed() = &to;
}

Redirect::~Redirect()
{
    installed() = m_previous;
}

Silence::Silence() : m_previous(installed())
{
    static QuietPrompt quiet;
    installed() = &quiet;
}

Silence::~Silence()
{
    installed() = m_previous;
}

QString outOfMemoryText()
{
    return QStringLiteral("内存不足。");
}

QString exportedText(const QString& fileName)
{
    return QStringLiteral("已导出到文件 %1").arg(fileName);
}

} // namespace Prompt

} // namespace qalor
