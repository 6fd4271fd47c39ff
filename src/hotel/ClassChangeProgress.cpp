#include "hotel/ClassChangeProgress.h"

#include "hotel/ClassChangeSender.h"

namespace qalor {

ClassChangeProgress::ClassChangeProgress(ClassChangeSender& sender, QWidget* parent) : QProgressDialog(parent)
{
    setObjectName(QStringLiteral("ClassChangeProgress"));
    setWindowTitle(QStringLiteral("更改分机级别"));
    setAccessibleName(QStringLiteral("更改分机级别"));
    setCancelButton(nullptr);
    setModal(false);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumDuration(0);
    // A progress dialog shows itself a few seconds after it is made unless
    // it is reset: this one shows only while a change runs.
    reset();
    hide();
    connect(&sender, &ClassChangeSender::changeStarted, this, [this](const QStringList& extensions) {
        setLabelText(QStringLiteral("正在更改分机级别：%1").arg(extensions.join(QLatin1Char(','))));
        setValue(0);
        show();
    });
    connect(&sender, &ClassChangeSender::sending, this,
            [this](const QString& extension, int step, int steps) {
                setMaximum(steps);
                setValue(step);
                setLabelText(extension.isEmpty() ? QStringLiteral("正在与交换机对话……")
                                                 : QStringLiteral("正在更改分机 %1 的级别……").arg(extension));
            });
    connect(&sender, &ClassChangeSender::idle, this, [this] {
        reset();
        hide();
    });
}

} // namespace qalor
