#pragma once

#include "serial/CommControl.h"

#include <QString>
#include <memory>

namespace qalor {

class CMainFrame;
struct AppState;

// The application object: the login flags and the hotel settings every
// command reads (held in AppState), and the start-up of the main frame.
class CQalorApp
{
public:
    CQalorApp();
    ~CQalorApp();
    CQalorApp(const CQalorApp&) = delete;
    CQalorApp& operator=(const CQalorApp&) = delete;

    static QString windowTitle() { return QStringLiteral("HARRIS 20-20 程控数字交换机计费软件"); }

    // Builds the frame and its view, shows the window, clears the login
    // flags and loads the hotel settings. port == nullptr: the real serial
    // control. Failures of the data source are shown and start-up goes on;
    // a data source of an unsupported database is refused with a message
    // and false (the program ends).
    bool initInstance(std::unique_ptr<CommControl> port = nullptr);
    // Whether "TDS" reaches a database the workstation supports (an
    // unreachable one is accepted: start-up reports it later).
    static bool acceptDataSource();

    CMainFrame* mainFrame() const { return m_frame.get(); }
    AppState& state() const { return m_state; }
    int loggedIn() const;
    int superAdmin() const;

private:
    AppState& m_state;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace qalor
