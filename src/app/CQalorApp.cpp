#include "app/CQalorApp.h"

#include "app/AppState.h"
#include "app/CMainFrame.h"
#include "serial/CommControl.h"

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

bool CQalorApp::initInstance(std::unique_ptr<CommControl> port)
{
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
