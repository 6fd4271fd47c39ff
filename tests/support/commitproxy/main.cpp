// qalor-commitproxy: a TCP relay between a program and a PostgreSQL server
// that can lose the server's answer to a COMMIT, the way a network that
// breaks at the wrong moment does: the COMMIT reaches the server and is
// carried out, its answer never reaches the program, and the server stays
// out of reach for a while.
//
//   qalor-commitproxy --to HOST:PORT [--listen PORT] [--trace]
//
// Prints "listening PORT" once it accepts connections. Commands, one a line
// on standard input (a test or a soak script drives it):
//   drop-commit SECONDS [TEXT]  the next COMMIT of a transaction that sent
//                               a statement containing TEXT (any COMMIT
//                               without TEXT) goes to the server; once the
//                               server has answered, the answer is thrown
//                               away, every connection is cut and new ones
//                               are refused for SECONDS. Prints "dropped".
//   cut SECONDS                 cuts every connection now and refuses new
//                               ones for SECONDS.
// Prints "up" when connections are taken again. Ends at the end of its input.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <QtEndian>
#include <cstdio>
#include <list>
#include <unistd.h>

namespace {

bool tracing = false;
constexpr quint32 SslRequest = 80877103;
constexpr quint32 GssRequest = 80877104;

void say(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

// A statement's text as a client message carries it: a simple query ('Q')
// or the statement of a prepared one ('P': name, then text). A prepared
// statement run again comes as a Bind ('B') naming it.
QByteArray statementOf(char type, const QByteArray& body)
{
    if (type == 'Q')
        return body.left(body.indexOf('\0'));
    if (type == 'P') {
        const qsizetype name = body.indexOf('\0');
        const qsizetype end = body.indexOf('\0', name + 1);
        return body.mid(name + 1, end - name - 1);
    }
    return {};
}

bool startsWithWord(const QByteArray& statement, const char* word)
{
    return statement.trimmed().toUpper().startsWith(word);
}

struct Relay;

class Proxy : public QObject
{
public:
    Proxy(QString host, quint16 port) : m_host(std::move(host)), m_port(port)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &Proxy::accept);
        m_upTimer.setSingleShot(true);
        connect(&m_upTimer, &QTimer::timeout, this, [] { say("up"); });
    }
    bool listen(quint16 port) { return m_server.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return m_server.serverPort(); }

    void command(const QByteArray& line);
    // The dropped COMMIT has been answered by the server.
    void dropped();
    const QByteArray* armedText() const { return m_armed ? &m_text : nullptr; }
    void disarm() { m_armed = false; }
    void forget(Relay* relay);

private:
    void accept();
    void cutAll(int seconds);

    QString m_host;
    quint16 m_port;
    QTcpServer m_server;
    std::list<Relay*> m_relays;
    bool m_armed = false;
    QByteArray m_text;
    int m_downSeconds = 0;
    QDeadlineTimer m_downUntil{0};
    QTimer m_upTimer;
};

// One client connection and its connection to the server. Client messages
// are read frame by frame (to see COMMITs); server messages too, once a
// COMMIT's answer is being waited for.
struct Relay : QObject
{
    Proxy& proxy;
    QPointer<QTcpSocket> client;
    QTcpSocket server;
    QByteArray fromClient;
    QByteArray fromServer;
    bool started = false;                   // the startup message has passed
    int rawServerBytes = 0;                 // single-byte answers to SSL/GSS requests still due
    bool marked = false;                    // the transaction sent a statement with the armed text
    bool swallowing = false;                // a dropped COMMIT's answer is being waited for
    QByteArray waitingForServer;            // client bytes sent before the server connection was up
    QHash<QByteArray, QByteArray> prepared; // statement name -> text

    Relay(Proxy& owner, QTcpSocket* socket, const QString& host, quint16 port) : proxy(owner), client(socket)
    {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, [this] { clientData(); });
        connect(client, &QTcpSocket::disconnected, this, [this] { finish(); });
        connect(&server, &QTcpSocket::readyRead, this, [this] { serverData(); });
        connect(&server, &QTcpSocket::disconnected, this, [this] { finish(); });
        connect(&server, &QTcpSocket::errorOccurred, this, [this] { finish(); });
        connect(&server, &QTcpSocket::connected, this,
                [this] { server.write(std::exchange(waitingForServer, QByteArray())); });
        server.connectToHost(host, port);
    }

    void send(const QByteArray& bytes)
    {
        if (server.state() == QAbstractSocket::ConnectedState)
            server.write(bytes);
        else
            waitingForServer += bytes;
    }

    void clientData()
    {
        fromClient += client->readAll();
        while (true) {
            if (!started) {
                if (fromClient.size() < 8)
                    return;
                const quint32 length = qFromBigEndian<quint32>(fromClient.constData());
                if (quint32(fromClient.size()) < length)
                    return;
                const quint32 code = qFromBigEndian<quint32>(fromClient.constData() + 4);
                if (code == SslRequest || code == GssRequest)
                    ++rawServerBytes;
                else
                    started = true;
                send(fromClient.left(length));
                fromClient.remove(0, length);
                continue;
            }
            if (fromClient.size() < 5)
                return;
            const char type = fromClient.at(0);
            const quint32 length = qFromBigEndian<quint32>(fromClient.constData() + 1);
            if (quint32(fromClient.size()) < length + 1)
                return;
            const QByteArray frame = fromClient.left(length + 1);
            fromClient.remove(0, length + 1);
            QByteArray statement = statementOf(type, frame.mid(5));
            const QByteArray body = frame.mid(5);
            if (type == 'P') {
                prepared.insert(body.left(body.indexOf('\0')), statement);
            } else if (type == 'B') {
                // A prepared statement run again: its text came with its Parse.
                const qsizetype portal = body.indexOf('\0');
                const QByteArray name = body.mid(portal + 1, body.indexOf('\0', portal + 1) - portal - 1);
                const QByteArray text = prepared.value(name);
                const QByteArray* armed = proxy.armedText();
                if (armed && !armed->isEmpty() && text.contains(*armed))
                    marked = true;
            }
            if (tracing && !statement.isEmpty())
                std::fprintf(stderr, "%c %s\n", type, statement.constData());
            const QByteArray* text = proxy.armedText();
            if (text && !text->isEmpty() && statement.contains(*text))
                marked = true;
            const bool commit = startsWithWord(statement, "COMMIT") || startsWithWord(statement, "END");
            send(frame);
            if (commit && text && (text->isEmpty() || marked)) {
                proxy.disarm();
                swallowing = true;
                fromServer.clear();
            }
            if (commit || startsWithWord(statement, "ROLLBACK"))
                marked = false;
        }
    }

    void serverData()
    {
        const QByteArray bytes = server.readAll();
        if (!swallowing) {
            if (client)
                client->write(bytes);
            return;
        }
        // Thrown away; the server's ReadyForQuery says the COMMIT is done.
        fromServer += bytes;
        while (rawServerBytes > 0 && !fromServer.isEmpty()) {
            fromServer.remove(0, 1);
            --rawServerBytes;
        }
        while (fromServer.size() >= 5) {
            const char type = fromServer.at(0);
            const quint32 length = qFromBigEndian<quint32>(fromServer.constData() + 1);
            if (quint32(fromServer.size()) < length + 1)
                return;
            fromServer.remove(0, length + 1);
            if (type == 'Z') {
                swallowing = false;
                proxy.dropped();
                return;
            }
        }
    }

    void cut()
    {
        if (client)
            disconnect(client.data(), nullptr, this, nullptr);
        disconnect(&server, nullptr, this, nullptr);
        if (client)
            client->abort();
        server.abort();
    }

    void finish()
    {
        // Whichever side ends, the other is ended too.
        cut();
        proxy.forget(this);
    }
};

void Proxy::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (!m_downUntil.hasExpired()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_relays.push_back(new Relay(*this, socket, m_host, m_port));
    }
}

void Proxy::forget(Relay* relay)
{
    m_relays.remove(relay);
    relay->deleteLater();
}

void Proxy::cutAll(int seconds)
{
    m_downUntil.setRemainingTime(seconds * 1000);
    m_upTimer.start(seconds * 1000);
    const std::list<Relay*> relays = std::exchange(m_relays, {});
    for (Relay* relay : relays) {
        relay->cut();
        relay->deleteLater();
    }
}

void Proxy::dropped()
{
    cutAll(m_downSeconds);
    say("dropped");
}

void Proxy::command(const QByteArray& line)
{
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.value(0) == "drop-commit") {
        m_armed = true;
        m_downSeconds = words.value(1).toInt();
        m_text = QString::fromUtf8(line.trimmed()).section(QLatin1Char(' '), 2).toUtf8();
    } else if (words.value(0) == "cut") {
        cutAll(words.value(1).toInt());
    } else if (!line.trimmed().isEmpty()) {
        say("unknown command: " + line.trimmed());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A TCP relay to PostgreSQL that can lose a COMMIT's answer."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("to"), QStringLiteral("The server."), QStringLiteral("host:port")});
    parser.addOption({QStringLiteral("listen"), QStringLiteral("Loopback port (0: any free one)."),
                      QStringLiteral("port"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("trace"), QStringLiteral("Writes every statement to standard error.")});
    parser.process(app);
    tracing = parser.isSet(QStringLiteral("trace"));
    const QString to = parser.value(QStringLiteral("to"));
    const qsizetype colon = to.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        std::fputs("qalor-commitproxy: --to HOST:PORT is needed\n", stderr);
        return 2;
    }
    Proxy proxy(to.left(colon), quint16(to.mid(colon + 1).toUInt()));
    if (!proxy.listen(quint16(parser.value(QStringLiteral("listen")).toUInt()))) {
        std::fputs("qalor-commitproxy: cannot listen\n", stderr);
        return 1;
    }
    say("listening " + QByteArray::number(proxy.port()));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            proxy.command(pending.left(end));
            pending.remove(0, end + 1);
        }
    });
    return app.exec();
}
