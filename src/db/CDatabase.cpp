#include "db/CDatabase.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <memory>
#include <sql.h>
#include <sqlext.h>
#include <utility>

namespace qalor {

namespace {

QString& overrideConnection()
{
    static QString value;
    return value;
}

// The shared connection is closed when the application object goes (Qt's
// SQL layer must still exist then), never by the exit-time destructors.
std::unique_ptr<CDatabase>*& sharedInstance()
{
    static auto* db = new std::unique_ptr<CDatabase>;
    return db;
}

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("qalor-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

QString CDatabase::defaultConnectionString()
{
    if (!overrideConnection().isEmpty())
        return overrideConnection();
    const QString env = qEnvironmentVariable("QALOR_ODBC");
    return env.isEmpty() ? QStringLiteral("TDS") : env;
}

QString CDatabase::embeddedConnectionString(const QString& file)
{
    return QStringLiteral("DRIVER={SQLite3};Database=") + file +
           QStringLiteral(";Timeout=5000;JournalMode=WAL;SyncPragma=FULL");
}

void CDatabase::setDefaultConnectionString(const QString& connection)
{
    overrideConnection() = connection;
}

CDatabase& CDatabase::shared()
{
    static const bool closedWithTheApplication = [] {
        qAddPostRoutine(&CDatabase::resetShared);
        return true;
    }();
    Q_UNUSED(closedWithTheApplication);
    auto& db = *sharedInstance();
    if (!db || db->connectionString() != defaultConnectionString())
        db = std::make_unique<CDatabase>(defaultConnectionString());
    return *db;
}

void CDatabase::resetShared()
{
    sharedInstance()->reset();
}

CDatabase::CDatabase(const QString& connection) : m_connection(connection), m_name(nextConnectionName())
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    m_db.setDatabaseName(m_connection);
}

CDatabase::~CDatabase()
{
    if (m_db.isOpen()) {
        if (m_transactionDepth > 0)
            m_db.rollback();
        m_db.close();
    }
    endTransaction(false);
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void CDatabase::open()
{
    if (m_db.isOpen())
        return;
    if (!m_db.open()) {
        // The SQLite driver says only "connect failed" for a file in a
        // folder that is not there.
        const QString folder = missingSqliteFolder(m_connection);
        if (!folder.isEmpty())
            throw DbError(QStringLiteral("数据文件的文件夹不存在: ") + folder);
        throw DbError::fromSql(m_db.lastError());
    }
    m_transactionDepth = 0;
    m_rollbackOnly = false;
    ++m_openings;
}

QString CDatabase::missingSqliteFolder(const QString& connection)
{
    if (!connection.contains(QStringLiteral("SQLite"), Qt::CaseInsensitive))
        return {};
    for (const QString& part : connection.split(QLatin1Char(';'))) {
        const qsizetype equals = part.indexOf(QLatin1Char('='));
        if (equals < 0 ||
            part.left(equals).trimmed().compare(QStringLiteral("Database"), Qt::CaseInsensitive) != 0)
            continue;
        const QString file = part.mid(equals + 1).trimmed();
        if (file.isEmpty() || file == QStringLiteral(":memory:"))
            return {};
        const QDir folder = QFileInfo(file).absoluteDir();
        return folder.exists() ? QString() : QDir::toNativeSeparators(folder.absolutePath());
    }
    return {};
}

void CDatabase::close()
{
    if (m_db.isOpen())
        m_db.close();
    const bool lost = m_transactionDepth > 0;
    m_transactionDepth = 0;
    m_rollbackOnly = false;
    if (lost)
        endTransaction(false);
}

void CDatabase::afterTransaction(std::function<void(bool committed)> action)
{
    if (m_transactionDepth == 0) {
        action(true);
        return;
    }
    m_afterTransaction.push_back(std::move(action));
}

void CDatabase::endTransaction(bool committed)
{
    // Taken first: an action may open the next transaction.
    const std::vector<std::function<void(bool)>> actions = std::exchange(m_afterTransaction, {});
    for (const auto& action : actions)
        action(committed);
}

bool CDatabase::isOpen() const
{
    return m_db.isOpen();
}

void CDatabase::ensureOwnTables(const QStringList& statements)
{
    ensureOpen();
    const QString key = m_connection + QLatin1Char('\n') + statements.value(0);
    if (m_ownTables.contains(key))
        return;
    for (const QString& statement : statements)
        execute(statement);
    m_ownTables.insert(key);
}

void CDatabase::ensureOpen()
{
    if (!isOpen())
        open();
}

void CDatabase::execute(const QString& sql)
{
    executeCount(sql);
}

int CDatabase::executeCount(const QString& sql)
{
    ensureOpen();
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        throw DbError::fromSql(query.lastError());
    return query.numRowsAffected();
}

QSqlQuery CDatabase::prepare(const QString& sql)
{
    ensureOpen();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DbError::fromSql(query.lastError());
    return query;
}

void CDatabase::exec(QSqlQuery& query)
{
    if (!query.exec())
        throw DbError::fromSql(query.lastError());
}

void CDatabase::beginTransaction()
{
    ensureOpen();
    if (m_transactionDepth == 0 && !m_db.transaction())
        throw DbError::fromSql(m_db.lastError());
    ++m_transactionDepth;
}

void CDatabase::commit()
{
    if (m_transactionDepth == 0)
        return;
    if (--m_transactionDepth > 0)
        return;
    if (m_rollbackOnly) {
        // A nested block gave up: nothing of the whole transaction is kept.
        m_rollbackOnly = false;
        if (!m_db.rollback())
            discardConnection();
        endTransaction(false);
        throw DbError(QStringLiteral("事务中的一步失败,全部操作已撤销."));
    }
    // psqlODBC forgets the transaction when its connection breaks in a
    // statement whose failure the caller went past (or on the way to the
    // COMMIT), and then answers the COMMIT with success although the server
    // has rolled everything back: a call announced as stored would be lost.
    // The driver is asked before and after whether it lost the connection.
    bool lost = connectionDead();
    const bool committed = !lost && m_db.commit();
    lost = lost || (committed && connectionDead());
    if (lost) {
        discardConnection();
        endTransaction(false);
        throw DbError(QStringLiteral("与数据库服务器的连接已断开,事务未能提交,全部操作已撤销."));
    }
    if (!committed) {
        const QSqlError error = m_db.lastError();
        // After a failed COMMIT ("database or disk is full") the SQLite
        // driver no longer opens transactions: every later statement would
        // commit on its own, half a call at a time. Nothing more is written
        // on this connection; the next statement opens a fresh one.
        discardConnection();
        endTransaction(false);
        throw DbError::fromSql(error);
    }
    endTransaction(true);
}

void CDatabase::discardConnection()
{
    if (m_db.isOpen() && dialect() == SqlDialect::SQLite) {
        // SQLite has rolled the transaction back itself, but its driver
        // still counts it as open and then refuses to disconnect (the
        // connection and its files would stay open for good): give it a
        // transaction to roll back. Where SQLite kept its own transaction,
        // BEGIN fails and the rollback ends that one.
        QSqlQuery begin(m_db);
        begin.exec(QStringLiteral("BEGIN"));
    }
    m_db.rollback();
    close();
}

void* CDatabase::odbcConnection() const
{
    const QVariant handle = m_db.driver() ? m_db.driver()->handle() : QVariant();
    // QODBC hands out its connection handle as a void* (SQLHANDLE).
    if (!handle.isValid() || handle.metaType() != QMetaType::fromType<SQLHDBC>())
        return nullptr;
    return *static_cast<const SQLHDBC*>(handle.data());
}

bool CDatabase::connectionDead() const
{
    SQLHDBC connection = odbcConnection();
    SQLUINTEGER dead = SQL_CD_FALSE;
    // A driver that cannot tell (SQLite's) has no connection to lose.
    return connection &&
           SQL_SUCCEEDED(SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

void CDatabase::rollback()
{
    if (m_transactionDepth == 0)
        return;
    if (--m_transactionDepth > 0) {
        // The outermost block decides; it can only roll back now.
        m_rollbackOnly = true;
        return;
    }
    m_rollbackOnly = false;
    if (!m_db.rollback())
        discardConnection(); // the connection's transaction state is unknown: start afresh
    endTransaction(false);
}

SqlDialect CDatabase::dialect() const
{
    if (m_db.driver() && m_db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        return SqlDialect::PostgreSQL;
    if (m_connection.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return SqlDialect::PostgreSQL;
    return SqlDialect::SQLite;
}

CTransaction::CTransaction(CDatabase& db) : m_db(db)
{
    m_db.beginTransaction();
}

CTransaction::~CTransaction()
{
    if (!m_done)
        m_db.rollback();
}

void CTransaction::commit()
{
    m_done = true;
    m_db.commit();
}

} // namespace qalor
