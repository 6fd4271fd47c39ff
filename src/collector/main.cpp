#include "collector/CollectorService.h"
#include "collector/StderrPrompt.h"
#include "db/CDatabase.h"
#include "db/DriverCheck.h"
#include "db/ProgramStart.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char mark = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &mark, 1);
}

// "COM2", "com2" or "2": the port number; 0 when the text names none.
int portFromText(const QString& text)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^(?:COM)?([1-9][0-9]*)$"),
                                                             QRegularExpression::CaseInsensitiveOption)
                                              .match(text.trimmed());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    qalor::ProgramStart::prepareProcess();
    // The workstation's names: the same settings (the ports' devices) and data folder.
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("qalor"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads the CDR port of the exchange without a window and prices every call."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("port"),
        QStringLiteral("COM1, COM2, ... or 1, 2, ...; without it the number in 串口表"));
    parser.process(application);
    int port = 0;
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "qalor-collector: one port only, not: %s\n",
                     qPrintable(parser.positionalArguments().join(QLatin1Char(' '))));
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        port = portFromText(parser.positionalArguments().constFirst());
        if (port == 0) {
            std::fprintf(stderr, "qalor-collector: not a port: %s\n",
                         qPrintable(parser.positionalArguments().constFirst()));
            return 2;
        }
    }

    qalor::StderrPrompt prompt;
    qalor::Prompt::install(&prompt);
    int result = 1;
    {
        try {
            const qalor::DriverIdentity identity = qalor::DriverCheck::identify(qalor::CDatabase::shared());
            if (!qalor::DriverCheck::supported(identity)) {
                qalor::Prompt::inform(qalor::DriverCheck::refusalText(identity));
                qalor::Prompt::install(nullptr);
                return 1;
            }
        } catch (const qalor::DbError&) {
            // Not reachable now: the calls wait in the journals until it is.
        }
        qalor::CollectorService service(prompt);
        // SIGTERM (systemctl stop) and SIGINT end the collector between two
        // events: what the port holds is journalled and the port closed.
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
            auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &application);
            QObject::connect(notifier, &QSocketNotifier::activated, &application, [&] {
                char mark = 0;
                [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &mark, 1);
                qalor::Prompt::inform(QStringLiteral("采集服务正在停止."));
                service.stop();
                QCoreApplication::quit();
            });
            struct sigaction action = {};
            action.sa_handler = onSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            sigaction(SIGTERM, &action, nullptr);
            sigaction(SIGINT, &action, nullptr);
        }
        if (service.start(port))
            result = QCoreApplication::exec();
        service.stop();
    }
    qalor::Prompt::install(nullptr);
    return result;
}
