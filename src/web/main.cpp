#include "db/ArgumentSecrets.h"
#include "db/CDatabase.h"
#include "db/DriverCheck.h"
#include "db/ProgramStart.h"
#include "intake/DataFolder.h"
#include "web/WebCertificate.h"
#include "web/WebServer.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSslConfiguration>
#include <QSslServer>

#include <cstdio>

namespace {

int usage(const QString& text)
{
    std::fprintf(stderr, "qalor-web: %s\n", qPrintable(text));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    // The PDF bills are painted: a GUI application without a screen.
    qalor::ProgramStart::provideRuntimeFolder();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    qalor::ProgramStart::prepareProcess();
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("qalor"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The web console of the Qalor workstation (HTTPS)."));
    parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address and port to listen on (default 127.0.0.1:8443)."),
                                    QStringLiteral("ADDR:PORT"), QStringLiteral("127.0.0.1:8443"));
    const QCommandLineOption connection(
        QStringLiteral("connection"),
        QStringLiteral(
            "ODBC data source name or connection string (default: $QALOR_ODBC, else the DSN TDS)."),
        QStringLiteral("odbc"));
    const QCommandLineOption certificate(QStringLiteral("certificate"),
                                         QStringLiteral("PEM certificate (chain) of the server."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("PEM private key of the certificate."),
                                 QStringLiteral("FILE"));
    parser.addOptions({listen, connection, certificate, key});
    if (!parser.parse(application.arguments()))
        return usage(parser.errorText());
    parser.process(application);
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("unexpected argument: ") +
                     parser.positionalArguments().join(QLatin1Char(' ')));
    if (parser.isSet(certificate) != parser.isSet(key))
        return usage(QStringLiteral("--certificate and --key go together"));

    // "ADDR:PORT", "[v6]:PORT" or ":PORT" (every address).
    static const QRegularExpression listenPattern(
        QStringLiteral("^(?:\\[([^\\]]+)\\]|([^:]*)):([0-9]{1,5})$"));
    const QRegularExpressionMatch match = listenPattern.match(parser.value(listen));
    const QString hostText = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    const QHostAddress address =
        hostText.isEmpty() ? QHostAddress(QHostAddress::Any) : QHostAddress(hostText);
    const int port = match.captured(3).toInt();
    if (!match.hasMatch() || address.isNull() || port < 1 || port > 65535)
        return usage(QStringLiteral("--listen ADDR:PORT, not: ") + parser.value(listen));

    if (parser.isSet(connection)) {
        if (qalor::ArgumentSecrets::hasPassword(parser.value(connection)))
            std::fprintf(stderr, "%s\n",
                         qPrintable(qalor::ArgumentSecrets::connectionWarning(QStringLiteral("qalor-web"))));
        qalor::CDatabase::setDefaultConnectionString(parser.value(connection));
    }

    QString certificateFile = parser.value(certificate);
    QString keyFile = parser.value(key);
    QString error;
    if (!parser.isSet(certificate)) {
        certificateFile = qalor::WebCertificate::defaultCertificateFile(qalor::dataFolder());
        keyFile = qalor::WebCertificate::defaultKeyFile(qalor::dataFolder());
        bool made = false;
        if (!qalor::WebCertificate::ensureSelfSigned(certificateFile, keyFile, &made, &error)) {
            std::fprintf(stderr, "qalor-web: %s\n", qPrintable(error));
            return 1;
        }
        if (made)
            std::fprintf(stderr, "qalor-web: 已生成自签名证书 %s 和密钥 %s\n", qPrintable(certificateFile),
                         qPrintable(keyFile));
    }
    QSslConfiguration tls;
    if (!qalor::WebCertificate::load(certificateFile, keyFile, &tls, &error)) {
        std::fprintf(stderr, "qalor-web: %s\n", qPrintable(error));
        return 1;
    }

    try {
        const qalor::DriverIdentity identity = qalor::DriverCheck::identify(qalor::CDatabase::shared());
        if (!qalor::DriverCheck::supported(identity)) {
            std::fprintf(stderr, "qalor-web: %s\n", qPrintable(qalor::DriverCheck::refusalText(identity)));
            return 1;
        }
    } catch (const qalor::DbError&) {
        // Not reachable now: each request tries again and says why it failed.
    }

    // The server's own TLS listener (what sslSetup() and listen() would
    // make), kept here to say why it could not listen.
    qalor::WebServer server;
    auto* tcp = new QSslServer(&server);
    tcp->setSslConfiguration(tls);
    if (!tcp->listen(address, quint16(port))) {
        std::fprintf(stderr, "qalor-web: %s: %s\n", qPrintable(parser.value(listen)),
                     qPrintable(tcp->errorString()));
        return 1;
    }
    server.bind(tcp);
    std::fprintf(stderr, "qalor-web: https://%s:%d/\n",
                 qPrintable(parser.value(listen).section(QLatin1Char(':'), 0, -2)), int(tcp->serverPort()));
    return QCoreApplication::exec();
}
