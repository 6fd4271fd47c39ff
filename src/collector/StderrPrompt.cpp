#include "collector/StderrPrompt.h"

#include <cstdio>

namespace qalor {

QString StderrPrompt::lineOf(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return line;
}

void StderrPrompt::log(const QString& text)
{
    const QByteArray line = lineOf(text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void StderrPrompt::inform(const QString& text)
{
    log(text);
    m_last = text;
    if (m_keeping)
        m_kept << text;
}

bool StderrPrompt::askOkCancel(const QString& text, const QString&)
{
    inform(text);
    return false;
}

void StderrPrompt::keep()
{
    m_keeping = true;
    m_kept.clear();
}

QStringList StderrPrompt::taken()
{
    m_keeping = false;
    return std::exchange(m_kept, {});
}

} // namespace qalor
