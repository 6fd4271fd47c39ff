#include "web/WebApi.h"

#include "access/AdminAccounts.h"
#include "access/AuditLog.h"
#include "db/DbError.h"
#include "prompt/Prompt.h"
#include "web/AlertsApi.h"
#include "web/CallsApi.h"
#include "web/ReportsApi.h"
#include "web/StaticPages.h"
#include "web/StatusApi.h"
#include "web/StaysApi.h"
#include "web/WebParams.h"
#include "web/WebReply.h"

#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QStringList>

#include <cstdio>

namespace qalor {

namespace {

// Messages the system's code shows while a request runs: they become the
// answer's error text. Questions are answered Cancel (nothing is done).
// They also go to standard error (the service's journal).
class CollectingPrompt : public IPrompt
{
public:
    void inform(const QString& text) override
    {
        std::fprintf(stderr, "qalor-web: %s\n", qPrintable(text));
        texts << text;
    }
    bool askOkCancel(const QString& text, const QString&) override
    {
        texts << text;
        return false;
    }
    QStringList texts;
};

QString noSessionText()
{
    return QStringLiteral("请先登录.");
}

} // namespace

QHttpServerResponse WebApi::answer(const QHttpServerRequest& request)
{
    CollectingPrompt prompt;
    const Prompt::Redirect redirect(prompt);
    try {
        QHttpServerResponse response = route(request);
        // A request that failed with a message of the system's code says it.
        const Status status = response.statusCode();
        if ((status == Status::InternalServerError || status == Status::NotFound) && !prompt.texts.isEmpty())
            return WebReply::error(status, prompt.texts.join(QLatin1Char('\n')));
        return response;
    } catch (const BadParameter& bad) {
        return WebReply::error(Status::BadRequest, bad.text);
    } catch (const DbError& error) {
        return WebReply::error(Status::InternalServerError, error.message());
    } catch (const std::bad_alloc&) {
        return WebReply::error(Status::InternalServerError, Prompt::outOfMemoryText());
    } catch (...) {
        // One request's failure never ends the console for everyone.
        return WebReply::error(Status::InternalServerError, QStringLiteral("未知错误."));
    }
}

QHttpServerResponse WebApi::route(const QHttpServerRequest& request)
{
    const QString path = request.url().path();
    const bool get = request.method() == QHttpServerRequest::Method::Get;
    const bool post = request.method() == QHttpServerRequest::Method::Post;
    if (!path.startsWith(QLatin1String("/api/"))) {
        if (!get)
            return WebReply::error(Status::MethodNotAllowed, QStringLiteral("不支持这个请求."));
        if (path == QLatin1String("/"))
            return StaticPages::file(QStringLiteral("index.html"));
        if (path.startsWith(QLatin1String("/static/")))
            return StaticPages::file(path.mid(8));
        return WebReply::error(Status::NotFound, QStringLiteral("没有这个页面."));
    }
    if (!get && !post)
        return WebReply::error(Status::MethodNotAllowed, QStringLiteral("不支持这个请求."));
    if (path == QLatin1String("/api/login"))
        return post ? login(request) : WebReply::error(Status::MethodNotAllowed, QStringLiteral("请用POST."));
    return withSession(request, path, post);
}

QHttpServerResponse WebApi::sessionAnswer(const WebSessions::Session& session)
{
    return WebReply::json({{QStringLiteral("user"), session.user}, {QStringLiteral("csrf"), session.csrf}});
}

QHttpServerResponse WebApi::login(const QHttpServerRequest& request)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(request.body(), &parseError);
    const QJsonObject body = document.object();
    if (parseError.error != QJsonParseError::NoError || !document.isObject() ||
        !body.value(QStringLiteral("user")).isString() || !body.value(QStringLiteral("password")).isString())
        throw BadParameter{QStringLiteral("登录需要用户名和口令.")};
    const QString user = body.value(QStringLiteral("user")).toString();
    const QString password = body.value(QStringLiteral("password")).toString();
    if (user.size() > WebParams::MaxLength || password.size() > 256)
        throw BadParameter{QStringLiteral("用户名或口令太长.")};
    // The attempt counts towards the account's wait and has its LOGIN row,
    // as at the window.
    const AdminAccounts::Outcome outcome = AdminAccounts().logIn(user, password);
    if (outcome == AdminAccounts::Outcome::Waiting)
        return WebReply::error(Status::TooManyRequests, AdminAccounts::waitingText());
    if (outcome != AdminAccounts::Outcome::Ok)
        return WebReply::error(Status::Unauthorized, QStringLiteral("Error Name or Password!"));
    const QString token = m_sessions.open(user);
    QHttpServerResponse response = sessionAnswer(*m_sessions.use(token));
    response.addHeader(QByteArrayLiteral("Set-Cookie"), (cookieName() + QLatin1Char('=') + token).toLatin1() +
                                                            "; HttpOnly; Secure; SameSite=Strict; Path=/");
    return response;
}

QHttpServerResponse WebApi::withSession(const QHttpServerRequest& request, const QString& path, bool changing)
{
    const QString token = WebReply::cookie(request, cookieName());
    const std::optional<WebSessions::Session> session = m_sessions.use(token);
    if (!session)
        return WebReply::error(Status::Unauthorized, noSessionText());
    if (changing &&
        !WebSessions::csrfMatches(*session, WebReply::header(request, QByteArrayLiteral("X-CSRF-Token"))))
        return WebReply::error(Status::Forbidden, QStringLiteral("请求缺少有效的X-CSRF-Token."));
    const WebParams params(request.query());
    const QStringList parts = path.split(QLatin1Char('/')); // "", "api", ...
    const QString what = parts.value(2);

    if (changing) {
        if (path == QLatin1String("/api/logout")) {
            m_sessions.close(token);
            AuditLog::write(AuditLog::nobody(), QStringLiteral("LOGOUT"), AuditLog::success());
            QHttpServerResponse response = WebReply::json({});
            response.addHeader(QByteArrayLiteral("Set-Cookie"),
                               (cookieName() + QStringLiteral("=; HttpOnly; Secure; SameSite=Strict; Path=/; "
                                                              "Max-Age=0"))
                                   .toLatin1());
            return response;
        }
        // /api/alerts/ID/ack
        if (what == QLatin1String("alerts") && parts.size() == 5 && parts[4] == QLatin1String("ack"))
            return AlertsApi::acknowledge(WebParams::pathNumber(parts[3]), session->user);
        return WebReply::error(Status::NotFound, QStringLiteral("没有这个请求."));
    }
    if (path == QLatin1String("/api/session"))
        return sessionAnswer(*session);
    if (path == QLatin1String("/api/status"))
        return StatusApi::collectors();
    if (path == QLatin1String("/api/live"))
        return StatusApi::live(params);
    if (path == QLatin1String("/api/calls"))
        return CallsApi::page(params);
    if (path == QLatin1String("/api/calls.pdf"))
        return CallsApi::pdf(params);
    if (path == QLatin1String("/api/calls.xlsx"))
        return CallsApi::xlsx(params);
    if (path == QLatin1String("/api/alerts"))
        return AlertsApi::list(params);
    if (path == QLatin1String("/api/stays"))
        return StaysApi::list();
    if (what == QLatin1String("reports") && parts.size() == 4)
        return ReportsApi::file(parts[3], params);
    return WebReply::error(Status::NotFound, QStringLiteral("没有这个请求."));
}

} // namespace qalor
