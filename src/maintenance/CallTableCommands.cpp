#include "maintenance/CallTableCommands.h"

#include "maintenance/IntakeHold.h"

#include "prompt/Prompt.h"

#include <exception>

namespace qalor {

namespace {

const QString CannotOpenText = QStringLiteral("打开数据源失败!");

} // namespace

CallTableCommands::CallTableCommands(const QString& connection)
    : m_db(std::make_unique<CDatabase>(connection))
{
}

CallTableCommands::~CallTableCommands() = default;

QString CallTableCommands::deleteWarning()
{
    return QStringLiteral(" 如果按OK 将删除该时段记录,\n且无法恢复!!\n如果不删除,请按CANCEL键.");
}

void CallTableCommands::notify(const std::function<void()>& hook) const
{
    if (hook)
        hook();
}

void CallTableCommands::openConnection()
{
    if (m_db->isOpen())
        return;
    m_db->open();
}

bool CallTableCommands::open()
{
    bool opened = false;
    runGuarded(QStringLiteral("Unknown Error In Dialog Inition!"), [&] {
        try {
            openConnection();
            opened = true;
        } catch (const DbError&) {
            Prompt::inform(CannotOpenText);
        }
    });
    return opened;
}

QString CallTableCommands::restoreReport(const CallTableMaintenance::RestoreCount& count)
{
    return QStringLiteral("成功还原!\n还原记录%1条;另有%2条记录话费表中已有,未重复还原.")
        .arg(count.restored)
        .arg(count.alreadyThere);
}

bool CallTableCommands::run(const QString& unknownErrorText,
                            const std::function<QString(CallTableMaintenance&)>& work)
{
    notify(m_feedback.busyBegin);
    try {
        openConnection();
    } catch (const DbError&) {
        notify(m_feedback.busyEnd);
        Prompt::inform(CannotOpenText);
        return false;
    }
    std::exception_ptr failure;
    QString report;
    {
        // Calls that arrive meanwhile wait and are priced when the work is
        // done (committed or rolled back), before any report is shown.
        const IntakeHold::Scope held;
        try {
            CallTableMaintenance maintenance(*m_db);
            report = work(maintenance);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // The wait cursor ends before any message box appears.
    notify(m_feedback.busyEnd);
    if (failure) {
        runGuarded(unknownErrorText, [&] { std::rethrow_exception(failure); });
        return false;
    }
    notify(m_feedback.beep);
    Prompt::inform(report);
    return true;
}

bool CallTableCommands::backup(const CallRange& range)
{
    return run(QStringLiteral("Unknown Error In Back Data!"), [&](CallTableMaintenance& work) {
        work.backup(range);
        return QStringLiteral("备份完毕!");
    });
}

bool CallTableCommands::remove(const CallRange& range)
{
    if (!Prompt::askOkCancel(deleteWarning(), QStringLiteral("警告")))
        return false;
    return run(QStringLiteral("Unknown error in delete data!"), [&](CallTableMaintenance& work) {
        work.remove(range);
        return QStringLiteral("成功删除!");
    });
}

bool CallTableCommands::restore(const CallRange& range)
{
    return run(QStringLiteral("Unknown Error In ReBack Data!"),
               [&](CallTableMaintenance& work) { return restoreReport(work.restore(range)); });
}

QString CallTableCommands::duplicatesRemovedText(int removed)
{
    return QStringLiteral("成功!\n删除了%1条重复记录.").arg(removed);
}

bool CallTableCommands::removeDuplicates(const QDate& start, const QDate& end,
                                         const CallTableMaintenance::Progress& progress)
{
    return run(QStringLiteral("Unknown Error In ReBack Data!"), [&](CallTableMaintenance& work) {
        return duplicatesRemovedText(work.removeDuplicates(start, end, progress));
    });
}

} // namespace qalor
