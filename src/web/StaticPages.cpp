#include "web/StaticPages.h"

#include "web/WebReply.h"

#include <QFile>
#include <QRegularExpression>

namespace qalor {

QByteArray StaticPages::mimeType(const QString& name)
{
    static const QList<std::pair<QString, QByteArray>> types{
        {QStringLiteral(".html"), "text/html; charset=utf-8"},
        {QStringLiteral(".js"), "text/javascript; charset=utf-8"},
        {QStringLiteral(".css"), "text/css; charset=utf-8"},
        {QStringLiteral(".json"), "application/json; charset=utf-8"},
        {QStringLiteral(".svg"), "image/svg+xml"},
        {QStringLiteral(".png"), "image/png"},
        {QStringLiteral(".ico"), "image/x-icon"},
        {QStringLiteral(".woff2"), "font/woff2"},
    };
    for (const auto& [suffix, type] : types)
        if (name.endsWith(suffix))
            return type;
    return "application/octet-stream";
}

QHttpServerResponse StaticPages::file(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$"));
    const QString notFound = QStringLiteral("没有这个文件.");
    if (!plain.match(name).hasMatch())
        return WebReply::error(Status::NotFound, notFound);
    QFile file(QStringLiteral(":/pages/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return WebReply::error(Status::NotFound, notFound);
    return QHttpServerResponse(mimeType(name), file.readAll());
}

} // namespace qalor
