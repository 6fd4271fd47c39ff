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

} // namespace qalor::pbxsim
