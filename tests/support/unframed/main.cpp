// qalor-unframed: the administrator's work on the pieces of lines a data
// folder keeps (a line cut by a break: its head ends with the break mark,
// its tail is the piece after it), from a command line, for soak scripts.
// It does what the window does with that folder's journals: the pieces
// window of 重新切分未成行的CDR数据 and 计算REPORT数据.
//
//   qalor-unframed list         every kept piece, oldest first, a line each:
//                               NUMBER TAB head|piece TAB the text (\r, \n,
//                               \\ and the break mark \uffff escaped)
//   qalor-unframed join HEAD    joins the head numbered HEAD with the piece
//                               after it, as the button 合并 does: the same
//                               check, the same question (printed; the
//                               answer is read from standard input, y for
//                               确定), the same LOGINFO row. The line waits
//                               for 计算REPORT数据.
//   qalor-unframed compute      计算REPORT数据: run here on the folder's
//                               lines when no program uses the folder, else
//                               asked of the collector reading the port, as
//                               a window following that collector asks it.
//
// The data folder is $QALOR_DATA_DIR, the data source $QALOR_ODBC, the
// port's device from the workstation's settings. list and join need the
// folder to themselves. Messages go to standard output. Exit status: 0
// done, 1 refused or failed, 2 a wrong command line.

#include "access/AuditLog.h"
#include "station/SerialPortTable.h"
#include "station/CollectorLink.h"
#include "station/CollectorRequests.h"
#include "station/IntakeLock.h"
#include "collector/StderrPrompt.h"
#include "db/ProgramStart.h"
#include "receiving/CallIntake.h"
#include "intake/DataFolder.h"
#include "receiving/ReceivedCallsModel.h"
#include "receiving/ReportLines.h"
#include "receiving/ReportProcessor.h"
#include "receiving/UnframedJoin.h"
#include "serial/MappedCommControl.h"
#include "serial/StreamBreak.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace qalor;

void say(const QString& text)
{
    std::cout << text.toStdString() << std::endl;
}

// The person at the keyboard: messages printed, a question answered from
// standard input.
class ConsolePrompt : public IPrompt
{
public:
    void inform(const QString& text) override { say(StderrPrompt::lineOf(text)); }
    bool askOkCancel(const QString& text, const QString& caption) override
    {
        say(StderrPrompt::lineOf(caption + QStringLiteral(": ") + text) + QStringLiteral(" [y/N]"));
        std::string answer;
        return std::getline(std::cin, answer) && (answer == "y" || answer == "Y");
    }
};

QString escaped(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QChar(StreamBreak))
            out += QStringLiteral("\\uffff");
        else
            out += c;
    }
    return out;
}

// The folder's journals, taken up as the window that reads the port takes
// them (the port itself is never opened).
struct Folder
{
    MappedCommControl port;
    CCallRater engine;
    ReceivedCallsModel calls;
    ReportLines report;
    CallIntake intake{port, engine, calls, report};
    ReportProcessor processor{intake, engine, report};

    Folder()
    {
        intake.setLineLength(engine.cdrLineLength());
        report.restore();
    }
};

int list(Folder& folder)
{
    for (const LineJournal::Entry& piece : folder.intake.unframedPieces())
        say(QStringLiteral("%1\t%2\t%3")
                .arg(piece.number)
                .arg(UnframedJoin::isHead(piece) ? QStringLiteral("head") : QStringLiteral("piece"),
                     escaped(piece.text)));
    return 0;
}

int join(Folder& folder, qint64 head)
{
    const QList<LineJournal::Entry> pieces = folder.intake.unframedPieces();
    qsizetype at = 0;
    while (at + 1 < pieces.size() && pieces.at(at).number != head)
        ++at;
    if (at + 1 >= pieces.size()) {
        say(QStringLiteral("no piece %1 with a piece after it").arg(head));
        return 1;
    }
    const QString line = folder.intake.joinableLine(head);
    if (line.isEmpty()) {
        Prompt::inform(UnframedJoin::notALineText());
        return 1;
    }
    if (!Prompt::askOkCancel(UnframedJoin::question(pieces.at(at), pieces.at(at + 1)),
                             QStringLiteral("合并")) ||
        !folder.intake.joinUnframed(head))
        return 1;
    AuditLog::write(AuditLog::nobody(), UnframedJoin::auditText(line), AuditLog::success());
    say(QStringLiteral("joined %1").arg(head));
    return 0;
}

int computeHere(Folder& folder)
{
    const ReportProcessor::Result result = folder.processor.compute();
    Prompt::inform(ReportProcessor::summaryText(result));
    return result.failed || result.done < result.total ? 1 : 0;
}

int askCollector()
{
    const int port = SerialPortTable::readPortNumber();
    // A collector just started beats within a second or two.
    const QDeadlineTimer deadline(60000);
    std::unique_ptr<CollectorLink> link = CollectorLink::follow(port);
    while (!link->answering() && !deadline.hasExpired()) {
        QEventLoop pause;
        QTimer::singleShot(500, &pause, &QEventLoop::quit);
        pause.exec();
        link = CollectorLink::follow(port);
    }
    const CollectorLink::Answer answer =
        link->ask(QLatin1String(CollectorRequests::ComputeReport), QString(), {}, 3600 * 1000);
    if (!answer.text.isEmpty())
        Prompt::inform(answer.text);
    return answer.ok ? 0 : 1;
}

int usage()
{
    std::fputs("usage: qalor-unframed list | join HEAD | compute\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    ProgramStart::prepareProcess();
    // The workstation's names: its settings map the port to its device.
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("qalor"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.value(0);
    bool numeric = false;
    const qint64 head = arguments.value(1).toLongLong(&numeric);
    if (!((command == QLatin1String("list") || command == QLatin1String("compute")) &&
          arguments.size() == 1) &&
        !(command == QLatin1String("join") && arguments.size() == 2 && numeric))
        return usage();

    ConsolePrompt prompt;
    Prompt::install(&prompt);
    int status = 1;
    {
        IntakeLock lock(IntakeLock::pathInDataFolder());
        if (lock.tryLock()) {
            Folder folder;
            status = command == QLatin1String("list")   ? list(folder)
                     : command == QLatin1String("join") ? join(folder, head)
                                                        : computeHere(folder);
        } else if (command == QLatin1String("compute") && lock.error().isEmpty()) {
            status = askCollector();
        } else {
            say(QStringLiteral("the data folder %1 is in use: %2")
                    .arg(dataFolder(),
                         lock.error().isEmpty() ? QStringLiteral("another program holds it") : lock.error()));
        }
    }
    Prompt::install(nullptr);
    return status;
}
