#pragma once

#include "editors/EditorTable.h"
#include "serial/CommControl.h"

#include <QWidget>
#include <memory>

namespace qalor {

class CCallRater;
class CollectorLink;
class ReceivedCallsModel;

// The main form view: owns the CDR port, the receive buffer, the received-calls
// list, the REPORT lists and the one rating engine. The main frame and the
// menu commands call the public entries below.
class CQalorView : public QWidget
{
    Q_OBJECT
public:
    // port == nullptr: the real control, on the serial device or network
    // address the port number maps to. Construction runs the start-up
    // steps (start time, port number from 串口表, raw CDR record set, the start
    // audit row, the raw-saving switch); initialUpdate() arms the port.
    explicit CQalorView(std::unique_ptr<CommControl> port = nullptr, QWidget* parent = nullptr);
    ~CQalorView() override;

    void initialUpdate();

    CCallRater& engine();
    CommControl& cdrPort();
    // The collector that reads the port for this window (then the window
    // never opens it), or nullptr.
    CollectorLink* collector() const;
    // The state of the CDR port, the collector's when there is one.
    CommControl::Link portLink() const;
    // Asks the collector and shows what it answers; false when it failed.
    bool askCollector(const QString& kind, const QString& argument = QString(), int timeoutMs = 30000);
    // What 重新切分 says while a collector keeps the pieces.
    static QString collectorKeepsText();
    ReceivedCallsModel& receivedCalls();
    QString startTimeText() const;

    // Login indicators: 已登录 shown exactly while logged in, 请登录 otherwise.
    void setLoginIndicator(bool loggedIn);

    // Serial port commands (the caller has checked the login gate).
    void armPort();
    void openPort();
    void closePort();
    int portNumber() const;
    // Stores the number and re-arms the port when it differs from the current one.
    void setPortNumber(int port);

    // Raw CDR saving (CDRSave); applies from the next received line.
    bool saveRaw() const;
    void setSaveRaw(bool on);

    // REPORT processing: collect lines, then price them in one batch.
    void receiveReport();
    void computeReport();
    bool reportMode() const;
    // Cuts the characters kept aside (they did not fit the layout) again
    // with the current layout; the lines found wait for "计算REPORT数据".
    void recutUnframed();
    int collectedReportLines() const;
    // What the status bar says about REPORT processing (empty when nothing).
    QString reportStatusText() const;

    // Holds intake while the administration dialogue uses the CDR line or
    // the call table is maintained: characters are still read and kept, and
    // the lines are priced when the last hold is released.
    void holdIntake();
    void releaseIntake();

    // After a parameter editor closed with "确认": reload the edited table in
    // the engine or clear its loaded mark. The CDR port is left as it is
    // (the trunk-group flags are read again with the next call).
    void afterEditorConfirmed(AfterConfirm action);

    // After the CDR field editor closed with OK: close the port, reload the
    // layout, re-arm the port.
    void reloadLayout();

    // When the layout could not be read (the data source was away), the port
    // is still read and a timer retries the layout quietly; once it loads,
    // the characters the port kept meanwhile are cut into lines and priced.
    // Returns whether the layout is there now.
    bool retryMissingLayout();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace qalor
