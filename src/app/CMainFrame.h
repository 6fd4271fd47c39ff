#pragma once

#include "hotel/ChangeList.h"
#include "serial/CommControl.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QProgressDialog;
class QToolBar;

namespace qalor {

class AdminSession;
class AutoDowngrade;
class ClassChangeProgress;
class ClassChangeSender;
class CQalorView;
class ViewIntakeHold;
struct AppState;

// The main frame: menu bar, toolbar, four-pane status bar and the one form
// view. Every menu command goes through runCommand(): the rights check first,
// then its handler. A command without a handler is disabled.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    // port == nullptr: the view uses the real serial control.
    explicit CMainFrame(AppState& state, std::unique_ptr<CommControl> port = nullptr,
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Fits the frame to the form, then lets the view arm the port and show
    // its list.
    void initialUpdate();

    CQalorView& view() { return *m_view; }
    AdminSession& session() { return *m_session; }
    // Plays class changes on the exchange, one at a time.
    ClassChangeSender& classChange() { return *m_classChange; }
    QAction* action(int command) const { return m_actions.value(command); }
    QToolBar* toolBar() const { return m_toolBar; }

    // Runs a command as its menu entry does.
    void runCommand(int command);
    // Installs (or with an empty function removes) the work behind a command.
    void setHandler(int command, std::function<void()> handler);

    // The login command: clears the login, asks for name and password.
    void login();
    // Shows the login state, the CDR port and the time in the status bar.
    void showStatus();
    // Reads the number of unacknowledged alerts into its status-bar pane
    // (shown only while there are some).
    void refreshAlertCount();
    QPushButton* alertPane() const { return m_alertPane; }
    QLabel* alertLine() const { return m_alertLine; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void installHandlers();
    void changePort();
    void managePasswords();
    void editCdrLayout();
    // The parameter-table editor of a command; acts on "确认" as the editor says.
    void openEditor(int command);
    void checkIn();
    void checkOut();
    void printHotelBill(const QString& extension = QString());
    void editHotelOptions();
    void changeStationClass();
    void showGrid(const QString& caption, const QString& recordSource, bool editable);
    // The unacknowledged alerts; acknowledging writes who and when.
    void showAlerts();
    // Sends a dialog's change list by the route of the hotel settings (every
    // engine reads the stays afresh with each call: nothing to reload).
    void applyChangeList(ChangeForm form, const QString& list);
    // Shows the progress of a change the collector sends, and its failure.
    // The window showing the collector's class changes, made when first needed.
    QProgressDialog& remoteProgress();
    void followRemoteChange(const QString& id);

    AppState& m_state;
    CQalorView* m_view = nullptr;
    std::unique_ptr<ViewIntakeHold> m_intakeHold;
    AdminSession* m_session = nullptr;
    ClassChangeSender* m_classChange = nullptr;
    ClassChangeProgress* m_classChangeProgress = nullptr;
    std::unique_ptr<AutoDowngrade> m_autoDowngrade;
    QProgressDialog* m_remoteProgress = nullptr;
    QSet<QString> m_remoteChanges;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_loginPane = nullptr;
    QLabel* m_portPane = nullptr;
    QLabel* m_reportPane = nullptr;
    QLabel* m_clockPane = nullptr;
    QPushButton* m_alertPane = nullptr;
    QLabel* m_alertLine = nullptr; // the newest alert, wrapped rather than cut
    QHash<int, QAction*> m_actions;
    QHash<int, std::function<void()>> m_handlers;
};

} // namespace qalor
