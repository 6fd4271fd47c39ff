#pragma once

// CallTableCommands: what the buttons of the call-table maintenance dialogs
// do, without widgets. It keeps its own connection to the data source, asks
// before deleting, shows the reports and failures through Prompt and signals
// the busy time around each statement (the dialogs show a wait cursor and
// beep after it).
//
//   CallTableCommands commands;            // the default data source
//   commands.open();                       // when the dialog opens
//   commands.backup({start, end, caller}); // true when done and reported

#include "maintenance/CallTableMaintenance.h"

#include <functional>
#include <memory>

namespace qalor {

class CallTableCommands
{
public:
    struct Feedback
    {
        std::function<void()> busyBegin;
        std::function<void()> busyEnd;
        std::function<void()> beep;
    };

    explicit CallTableCommands(const QString& connection = CDatabase::defaultConnectionString());
    ~CallTableCommands();

    void setFeedback(Feedback feedback) { m_feedback = std::move(feedback); }

    // Opens the connection; false after "打开数据源失败!" (the buttons try again).
    bool open();

    bool backup(const CallRange& range);
    // Asks first; Cancel does nothing and reports nothing.
    bool remove(const CallRange& range);
    bool restore(const CallRange& range);
    bool removeDuplicates(const QDate& start, const QDate& end,
                          const CallTableMaintenance::Progress& progress = {});

    CDatabase& database() { return *m_db; }

    static QString deleteWarning();
    // The report after "还原": how many rows came back and how many were
    // left out because 话费表 already holds them.
    static QString restoreReport(const CallTableMaintenance::RestoreCount& count);
    // The report of 删除重复记录: how many rows went.
    static QString duplicatesRemovedText(int removed);

private:
    // The work returns the report shown once it is committed.
    bool run(const QString& unknownErrorText, const std::function<QString(CallTableMaintenance&)>& work);
    void notify(const std::function<void()>& hook) const;
    void openConnection();

    std::unique_ptr<CDatabase> m_db;
    Feedback m_feedback;
};

} // namespace qalor
