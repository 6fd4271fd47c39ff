#include "hotel/ClassChangeSender.h"

#include "prompt/Prompt.h"
#include "serial/CommControl.h"

#include <algorithm>
#include <cmath>

namespace qalor {

namespace {
constexpr int ModemOutBuffer = 512;
} // namespace

ClassChangeSender::ClassChangeSender(CommControl& cdrPort, ModemFactory modemFactory, QObject* parent)
    : QObject(parent), m_cdr(cdrPort), m_modemFactory(std::move(modemFactory))
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        ++m_step;
        playStep();
    });
}

ClassChangeSender::~ClassChangeSender()
{
    m_pause.stop();
    if (m_held && m_release)
        m_release();
}

void ClassChangeSender::setIntakeHold(std::function<void()> hold, std::function<void()> release)
{
    m_hold = std::move(hold);
    m_release = std::move(release);
}

QString ClassChangeSender::portClosedText()
{
    return QStringLiteral("Operation valid only when the port is open");
}

int ClassChangeSender::elapsedMs() const
{
    if (!m_running)
        return 0;
    int elapsed = 0;
    for (qsizetype i = 0; i < m_step && i < m_job.steps.size(); ++i)
        elapsed += int(std::lround(m_job.steps.at(i).pauseMs * m_scale));
    if (m_pause.isActive())
        elapsed += std::max(0, m_pause.interval() - m_pause.remainingTime());
    return std::min(elapsed, plannedMs());
}

int ClassChangeSender::plannedMs() const
{
    int planned = 0;
    for (const SendStep& step : m_job.steps)
        planned += int(std::lround(step.pauseMs * m_scale));
    return planned;
}

void ClassChangeSender::enqueue(const ClassChangeJob& job)
{
    m_queue.enqueue(job);
    scheduleNext();
}

void ClassChangeSender::scheduleNext()
{
    if (m_running || m_queue.isEmpty())
        return;
    m_running = true;
    QTimer::singleShot(0, this, &ClassChangeSender::startNext);
}

CommControl* ClassChangeSender::port()
{
    return m_job.viaModem ? m_modem.get() : &m_cdr;
}

void ClassChangeSender::startNext()
{
    if (m_queue.isEmpty()) {
        m_running = false;
        emit idle();
        return;
    }
    m_job = m_queue.dequeue();
    m_step = 0;
    emit changeStarted(m_job.extensions);
    if (m_job.viaModem) {
        m_modem = m_modemFactory();
        m_modem->setCommPort(m_job.modemPort);
        m_modem->setSettings(QStringLiteral("9600,N,8,1"));
        m_modem->setOutBufferSize(ModemOutBuffer);
        m_modem->setPortOpen(true);
        if (!m_modem->portOpen()) {
            finish(false, m_modem->lastError().isEmpty() ? portClosedText() : m_modem->lastError());
            return;
        }
    } else if (m_hold) {
        // The exchange's answers arrive on the CDR line: intake keeps them
        // (and any call line) until the dialogue is over.
        m_hold();
        m_held = true;
    }
    playStep();
}

void ClassChangeSender::playStep()
{
    if (m_step >= m_job.steps.size()) {
        finish(true);
        return;
    }
    const SendStep& step = m_job.steps.at(m_step);
    if (!step.text.isEmpty()) {
        CommControl* target = port();
        if (!target || !target->portOpen()) {
            finish(false, portClosedText());
            return;
        }
        emit sending(step.extension, int(m_step), int(m_job.steps.size()));
        target->output(step.text);
    }
    m_pause.start(int(std::lround(step.pauseMs * m_scale)));
}

void ClassChangeSender::finish(bool ok, const QString& error)
{
    if (m_modem) {
        if (m_modem->portOpen())
            m_modem->setPortOpen(false);
        m_modem.reset();
    }
    if (m_held) {
        m_held = false;
        if (m_release)
            m_release();
    }
    if (!ok)
        Prompt::inform(error);
    emit changeFinished(ok);
    if (m_queue.isEmpty()) {
        m_running = false;
        emit idle();
        return;
    }
    QTimer::singleShot(0, this, &ClassChangeSender::startNext);
}

QString ClassChangeSender::progressText(const QString& extension) const
{
    const int planned = plannedMs();
    const int elapsed = elapsedMs();
    QString head = m_job.reason;
    if (head.isEmpty())
        head = extension.isEmpty() ? QStringLiteral("正在与交换机对话……")
                                   : QStringLiteral("正在更改分机 %1 的级别……").arg(extension);
    const int secondsLeft = (std::max(planned - elapsed, 0) + 999) / 1000;
    return head + QLatin1Char('\n') + QStringLiteral("剩余约 %1 秒").arg(secondsLeft);
}

} // namespace qalor
