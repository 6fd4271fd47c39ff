#include "app/CQalorApp.h"
#include "app/MessageBoxPrompt.h"
#include "app/QtTranslations.h"
#include "db/ProgramStart.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    qalor::ProgramStart::prepareProcess();
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("qalor"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    qalor::installQtChinese(application);

    qalor::MessageBoxPrompt prompt;
    qalor::Prompt::install(&prompt);

    int result = 1;
    {
        qalor::CQalorApp app;
        if (app.initInstance())
            result = QApplication::exec();
    }
    qalor::Prompt::install(nullptr);
    return result;
}
