#include "gui/DialogRunner.h"

#include <QDialog>

namespace qalor::DialogRunner {

namespace {
Runner& installed()
{
    static Runner runner;
    return runner;
}
} // namespace

void install(Runner runner)
{
    installed() = std::move(runner);
}

int run(QDialog& dialog)
{
    if (installed())
        return installed()(dialog);
    return dialog.exec();
}

} // namespace qalor::DialogRunner
