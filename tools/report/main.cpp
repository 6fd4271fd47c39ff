// qalor-report: the statistics run, the monthly report and the payment
// notices from the command line (see ReportCommand.h).

#include "ReportCommand.h"

#include "db/ProgramStart.h"

#include <QGuiApplication>

int main(int argc, char* argv[])
{
    // PDF files are drawn without a screen: a scheduler has none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qalor::ProgramStart::provideRuntimeFolder();
    QGuiApplication app(argc, argv);
    qalor::ProgramStart::prepareProcess();
    QGuiApplication::setApplicationName(QStringLiteral("qalor-report"));
    return qalor::ReportCommand().run(QGuiApplication::arguments());
}
