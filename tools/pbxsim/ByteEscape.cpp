#include "ByteEscape.h"

namespace qalor::pbxsim {

QString escapeBytes(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '\\':
            text += QStringLiteral("\\\\");
            break;
        case '\r':
            text += QStringLiteral("\\r");
            break;
        case '\n':
            text += QStringLiteral("\\n");
            break;
        case '\t':
            text += QStringLiteral("\\t");
            break;
        default:
            if (byte >= 0x20 && byte < 0x7f)
                text += QLatin1Char(c);
            else
                text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        }
    }
    return text;
}

QByteArray unescapeBytes(const QString& text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
            bytes += char(c.toLatin1());
            continue;
        }
        const QChar kind = text.at(++i);
        if (kind == QLatin1Char('r'))
            bytes += '\r';
        else if (kind == QLatin1Char('n'))
            bytes += '\n';
        else if (kind == QLatin1Char('t'))
            bytes += '\t';
        else if (kind == QLatin1Char('x') && i + 2 < text.size()) {
            bytes += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            bytes += char(kind.toLatin1());
    }
    return bytes;
}

} // namespace qalor::pbxsim
