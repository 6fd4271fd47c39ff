#include "app/CQalorView.h"

#include "app/AuditLog.h"
#include "app/CallIntake.h"
#include "gui/DialogRunner.h"
#include "app/ReceivedCallsModel.h"
#include "app/ReportLines.h"
#include "app/ReportProcessor.h"
#include "app/SerialPortTable.h"
#include "app/UnframedDialog.h"
#include "db/sets/CCdrSaveSet.h"
#include "rating/CCallRater.h"
#include "serial/MappedCommControl.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFontDatabase>
#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTimer>
#include <QTreeView>

namespace qalor {

namespace {

constexpr int CdrInBufferSize = 16384;
// How often a layout that could not be read is tried again.
constexpr int LayoutRetryMs = 10000;

QLabel* makeIndicator(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel { color: rgb(255,0,0); background-color: rgb(0,0,128);"
                                        " font-weight: bold; padding: 2px 8px; }"));
    return label;
}

} // namespace

struct CQalorView::Private
{
    explicit Private(std::unique_ptr<CommControl> control)
        : port(control ? std::move(control) : std::make_unique<MappedCommControl>()),
          intake(*port, engine, calls, report), processor(intake, engine, report)
    {
    }

    std::unique_ptr<CommControl> port;
    CCallRater engine;
    ReceivedCallsModel calls;
    ReportLines report;
    CallIntake intake;
    ReportProcessor processor;
    QString startTime;
    int portNumber = 1;
    QTimer layoutRetry;

    QLineEdit* startEdit = nullptr;
    QLabel* loggedIn = nullptr;
    QLabel* pleaseLogin = nullptr;
    QTreeView* list = nullptr;
};

CQalorView::CQalorView(std::unique_ptr<CommControl> port, QWidget* parent)
    : QWidget(parent), d(std::make_unique<Private>(std::move(port)))
{
    d->port->setSettings(QStringLiteral("9600,N,8,1"));
    d->layoutRetry.setInterval(LayoutRetryMs);
    connect(&d->layoutRetry, &QTimer::timeout, this, &CQalorView::retryMissingLayout);

    d->startTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy年MM月dd日 HH时mm分ss秒"));
    d->portNumber = SerialPortTable::readPortNumber();
    d->intake.setReportMode(false);
    d->intake.openRawStore();
    AuditLog::write(AuditLog::nobody(), QStringLiteral("启动计费软件"), AuditLog::success());
    runGuarded(QStringLiteral("Unkown error in Open table CdrSave"), [this] {
        CCdrSaveSet save;
        save.open();
        save.moveFirst();
        if (!save.isEOF())
            d->intake.setSaveRaw(save.bit(CCdrSaveSet::SaveCdr));
        save.close();
    });
    // Lines collected before the program last ended are still waiting to be
    // computed: take them back, but start in live intake as always (the
    // status bar shows how many wait for 计算REPORT数据).
    d->report.restore();

    auto* startLabel = new QLabel(QStringLiteral("启动时间:"), this);
    d->startEdit = new QLineEdit(d->startTime, this);
    d->startEdit->setReadOnly(true);
    d->startEdit->setAccessibleName(QStringLiteral("启动时间"));
    startLabel->setBuddy(d->startEdit);
    d->loggedIn = makeIndicator(QStringLiteral("已登录"), this);
    d->pleaseLogin = makeIndicator(QStringLiteral("请登录"), this);

    d->list = new QTreeView(this);
    d->list->setObjectName(QStringLiteral("已收到的呼叫"));
    d->list->setAccessibleName(QStringLiteral("已收到的呼叫"));
    d->list->setRootIsDecorated(false);
    d->list->setUniformRowHeights(true);
    d->list->setItemsExpandable(false);
    d->list->setSelectionBehavior(QAbstractItemView::SelectRows);
    d->list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    d->list->setFrameShape(QFrame::Box);
    // The headings carry blanks to size their columns and the cells are
    // padded to fixed widths: both line up only in a fixed-pitch font.
    QFont listFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    listFont.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), listFont.family()});
    d->list->setFont(listFont);
    d->list->header()->setFont(listFont);
    d->list->setTextElideMode(Qt::ElideNone);
    d->list->setModel(&d->calls);
    QPalette palette = d->list->palette();
    palette.setColor(QPalette::Base, QColor(123, 206, 230));
    d->list->setPalette(palette);
    d->list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    d->list->header()->setStretchLastSection(false);

    // The list takes whatever room the window gives; the start time and the
    // login indicator (one of the two is shown) stay in the row below it.
    d->startEdit->setMinimumWidth(240);
    d->loggedIn->setMinimumWidth(80);
    d->pleaseLogin->setMinimumWidth(80);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(startLabel);
    bottom->addWidget(d->startEdit);
    bottom->addStretch(1);
    bottom->addWidget(d->loggedIn);
    bottom->addWidget(d->pleaseLogin);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 4, 20, 10);
    layout->setSpacing(10);
    layout->addWidget(d->list, 1);
    layout->addLayout(bottom);
    setMinimumSize(780, 486);

    d->loggedIn->setVisible(false);
    d->pleaseLogin->setVisible(true);
}

CQalorView::~CQalorView()
{
    d->intake.closeRawStore();
}

void CQalorView::initialUpdate()
{
    armPort();
    // Characters the last run read and did not finish are handled first.
    d->intake.drain();
    setLoginIndicator(false);
    d->calls.resetCounter();
    const QFontMetrics metrics = d->list->header()->fontMetrics();
    for (int column = 0; column < ReceivedCallsModel::ColumnCount; ++column)
        d->list->setColumnWidth(column, metrics.horizontalAdvance(ReceivedCallsModel::heading(column)) + 15);
}

CCallRater& CQalorView::engine()
{
    return d->engine;
}

CommControl& CQalorView::cdrPort()
{
    return *d->port;
}

ReceivedCallsModel& CQalorView::receivedCalls()
{
    return d->calls;
}

QString CQalorView::startTimeText() const
{
    return d->startTime;
}

void CQalorView::setLoginIndicator(bool loggedIn)
{
    d->loggedIn->setVisible(loggedIn);
    d->pleaseLogin->setVisible(!loggedIn);
}

void CQalorView::armPort()
{
    CommControl& port = *d->port;
    if (port.portOpen()) {
        d->intake.takeIn();
        port.setPortOpen(false);
    }
    port.setCommPort(d->portNumber);
    port.setInBufferSize(CdrInBufferSize);
    const int lineLength = d->engine.cdrLineLength();
    port.setRThreshold(lineLength);
    port.setSThreshold(1);
    port.setInputLen(lineLength);
    port.setRTSEnable(true);
    port.setDTREnable(true);
    d->intake.setLineLength(lineLength);
    openCdrPort(port);
    if (lineLength == 0 && d->engine.layoutUnavailable())
        d->layoutRetry.start();
    else
        d->layoutRetry.stop();
}

bool CQalorView::retryMissingLayout()
{
    if (!d->engine.layoutUnavailable()) {
        d->layoutRetry.stop();
        return true;
    }
    if (!d->engine.retryLayoutQuietly())
        return false;
    d->layoutRetry.stop();
    // The port stays open: what it holds are calls printed meanwhile.
    const int lineLength = d->engine.cdrLineLength();
    d->port->setRThreshold(lineLength);
    d->port->setInputLen(lineLength);
    d->intake.setLineLength(lineLength);
    d->intake.drain();
    return true;
}

void CQalorView::openPort()
{
    openCdrPort(*d->port);
}

void CQalorView::closePort()
{
    // Closing drops what the control holds: take it into the journal first.
    d->intake.takeIn();
    d->port->setPortOpen(false);
}

int CQalorView::portNumber() const
{
    return d->portNumber;
}

void CQalorView::setPortNumber(int port)
{
    if (port == d->portNumber)
        return;
    d->portNumber = port;
    armPort();
}

void CQalorView::holdIntake()
{
    d->intake.hold();
}

void CQalorView::releaseIntake()
{
    d->intake.release();
}

bool CQalorView::saveRaw() const
{
    return d->intake.saveRaw();
}

void CQalorView::setSaveRaw(bool on)
{
    d->intake.setSaveRaw(on);
}

void CQalorView::receiveReport()
{
    d->intake.setReportMode(true);
}

void CQalorView::computeReport()
{
    closePort();
    const int total = d->report.size();
    std::unique_ptr<QProgressDialog> progress;
    if (total > 0) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("正在计算REPORT数据..."),
                                                     QStringLiteral("取消"), 0, total, this);
        progress->setWindowTitle(QStringLiteral("计算REPORT数据"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(300);
    }
    const ReportProcessor::Result result = d->processor.compute([&](int done, int) {
        if (!progress)
            return true;
        progress->setValue(done);
        QCoreApplication::processEvents();
        return !progress->wasCanceled();
    });
    if (progress)
        progress->reset();
    if (d->report.isEmpty())
        d->intake.setReportMode(false);
    openPort();
    Prompt::inform(ReportProcessor::summaryText(result));
}

void CQalorView::recutUnframed()
{
    int remaining = 0;
    const int lines = d->intake.recutUnframed(remaining);
    Prompt::inform(
        QStringLiteral("切分出%1条CDR记录,请用\"计算REPORT数据\"计算;仍有%2段数据不符合CDR字段定义.")
            .arg(lines)
            .arg(remaining));
    if (remaining == 0)
        return;
    // What is left can be looked at, and discarded when it is known to be
    // no call at all.
    UnframedDialog pieces(
        d->intake.unframedPieces(), [this] { return d->intake.discardUnframed(); }, this);
    DialogRunner::run(pieces);
}

bool CQalorView::reportMode() const
{
    return d->intake.reportMode();
}

int CQalorView::collectedReportLines() const
{
    return d->report.size();
}

QString CQalorView::reportStatusText() const
{
    return d->report.statusText(d->intake.reportMode());
}

void CQalorView::afterEditorConfirmed(AfterConfirm action)
{
    CCallRater& engine = d->engine;
    switch (action) {
    case AfterConfirm::Nothing:
        break;
    case AfterConfirm::ReloadRates:
        engine.LoadRates();
        break;
    case AfterConfirm::ReloadRate31:
        engine.LoadRate31();
        break;
    case AfterConfirm::ClearTimeBandsMark:
        engine.clearTimeDiscountsMark();
        break;
    case AfterConfirm::ReloadHolidays:
        engine.LoadHolidayDiscounts(QDateTime::currentDateTime());
        break;
    case AfterConfirm::ReloadWeekdays:
        engine.LoadWeekdayDiscounts(DiscountCalculator::dayOfWeek(QDate::currentDate()));
        break;
    case AfterConfirm::ClearCallTypesMark:
        engine.clearCallTypesMark();
        break;
    case AfterConfirm::ClearCallerCosMark:
        engine.clearCallerCosMark();
        break;
    case AfterConfirm::ClearTrunkGroupsMark:
        // The next call reads the trunk flags again. The port stays open as
        // it was: a closed serial line drops what the exchange prints, and
        // nothing reopened it afterwards, so intake stopped without a word.
        engine.clearTrunkGroupsMark();
        break;
    case AfterConfirm::ReloadAlertRules:
        engine.reloadAlertRules();
        break;
    }
}

void CQalorView::reloadLayout()
{
    closePort();
    if (!d->engine.LoadLayout())
        Prompt::inform(QStringLiteral("重新装载CDR输出字段定义表出错."));
    armPort();
}

} // namespace qalor
