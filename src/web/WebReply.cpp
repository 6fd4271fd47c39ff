#include "web/WebReply.h"

#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QUrl>

namespace qalor::WebReply {

QHttpServerResponse json(const QJsonObject& object, Status status)
{
    // <, > and & occur only inside strings: written as escapes, stored text
    // is never markup, even to a client that guesses the type.
    QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    text.replace('<', "\\u003c").replace('>', "\\u003e").replace('&', "\\u0026");
    return QHttpServerResponse(QByteArrayLiteral("application/json; charset=utf-8"), std::move(text), status);
}

QHttpServerResponse error(Status status, const QString& text)
{
    return json(QJsonObject{{QStringLiteral("error"), text}}, status);
}

QHttpServerResponse download(const QByteArray& mimeType, const QString& fileName, const QByteArray& data)
{
    QHttpServerResponse response(mimeType, data);
    // The name in UTF-8 for browsers (RFC 6266), with a plain one beside it.
    response.addHeader(QByteArrayLiteral("Content-Disposition"),
                       "attachment; filename=\"download" +
                           fileName.section(QLatin1Char('.'), -1).prepend(QLatin1Char('.')).toLatin1() +
                           "\"; filename*=UTF-8''" + QUrl::toPercentEncoding(fileName));
    return response;
}

QByteArray header(const QHttpServerRequest& request, const QByteArray& name)
{
    for (const auto& [key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QString cookie(const QHttpServerRequest& request, const QString& name)
{
    const QString cookies = QString::fromLatin1(header(request, QByteArrayLiteral("Cookie")));
    for (const QString& part : cookies.split(QLatin1Char(';'))) {
        const QString pair = part.trimmed();
        if (pair.startsWith(name + QLatin1Char('=')))
            return pair.mid(name.size() + 1);
    }
    return {};
}

} // namespace qalor::WebReply
