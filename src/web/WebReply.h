#pragma once

#include <QHttpServerResponse>
#include <QJsonObject>
#include <QString>

class QHttpServerRequest;

namespace qalor {

using Status = QHttpServerResponse::StatusCode;

// A request parameter that is not what it should be: answered 400 with the
// text.
struct BadParameter
{
    QString text;
};

// Answers of the console and what it reads of a request.
namespace WebReply {

QHttpServerResponse json(const QJsonObject& object, Status status = Status::Ok);
// {"error": text}
QHttpServerResponse error(Status status, const QString& text);
// A file to save: its type, its name and its bytes.
QHttpServerResponse download(const QByteArray& mimeType, const QString& fileName, const QByteArray& data);

// A header of the request by its name in any case; empty when absent.
QByteArray header(const QHttpServerRequest& request, const QByteArray& name);
// A cookie of the request; empty when absent.
QString cookie(const QHttpServerRequest& request, const QString& name);

} // namespace WebReply

} // namespace qalor
