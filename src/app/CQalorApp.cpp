#include "app/CQalorApp.h"

#include "app/CMainFrame.h"
#include "db/CDatabase.h"
#include "db/DriverCheck.h"
#include "prompt/Prompt.h"
#include "serial/CommControl.h"
#include "station/AppState.h"

namespace qalor {

CQalorApp::CQalorApp() : m_state(AppState::instance()) {}

CQalorApp::~CQalorApp() = default;

int CQalorApp::loggedIn() const
{
    return m_state.loggedIn;
}

int CQalorApp::superAdmin() const
{
    return m_state.superAdmin;
}

bool CQalorApp::acceptDataSource()
{
    DriverIdentity identity;
    try {
        identity = DriverCheck::identify(CDatabase::shared());
    } catch (const DbError&) {
        // Not reachable now: the start-up steps report it and go on, and
        // the workstation keeps the calls until it is back.
        return true;
    }
    if (DriverCheck::supported(identity))
        return true;
    Prompt::inform(DriverCheck::refusalText(identity));
    return false;
}

bool CQalorApp::initInstance(std::unique_ptr<CommControl> port)
{
    if (!acceptDataSource())
        return false;
    m_frame = std::make_unique<CMainFrame>(m_state, std::move(port));
    m_frame->initialUpdate();

    m_frame->setWindowTitle(windowTitle());
    m_frame->show();

    m_state.loggedIn = 0;
    m_state.superAdmin = 0;
    m_frame->showStatus();

    // An empty table leaves the settings as they are; errors have been shown.
    HotelSettings::load(m_state.hotel);
    return true;
}

} // namespace qalor
