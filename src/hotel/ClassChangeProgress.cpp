#include "hotel/ClassChangeProgress.h"

#include "hotel/ClassChangeSender.h"

#include <algorithm>

namespace qalor {

namespace {
constexpr int TickMs = 200;
} // namespace

ClassChangeProgress::ClassChangeProgress(ClassChangeSender& sender, QWidget* parent)
    : QProgressDialog(parent), m_sender(sender)
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
    m_tick.setInterval(TickMs);
    connect(&m_tick, &QTimer::timeout, this, &ClassChangeProgress::refresh);
    connect(&sender, &ClassChangeSender::changeStarted, this, [this](const QStringList& extensions) {
        m_extension = extensions.join(QLatin1Char(','));
        setValue(0);
        refresh();
        show();
        m_tick.start();
    });
    connect(&sender, &ClassChangeSender::sending, this, [this](const QString& extension, int, int) {
        m_extension = extension;
        refresh();
    });
    connect(&sender, &ClassChangeSender::idle, this, [this] {
        m_tick.stop();
        hide();
        reset();
    });
}

void ClassChangeProgress::refresh()
{
    const int planned = m_sender.plannedMs();
    setMaximum(std::max(planned, 1));
    setValue(std::min(m_sender.elapsedMs(), std::max(planned, 1)));
    setLabelText(m_sender.progressText(m_extension));
}

} // namespace qalor
