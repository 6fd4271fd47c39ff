#pragma once

#include "db/CDatabase.h"
#include "db/ProgramStart.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QTemporaryDir>

// The data source a bench runs on: the one --connection names, or a scratch
// SQLite file with the embedded data source's settings, removed at exit.
class BenchDataSource
{
public:
    static QCommandLineOption option()
    {
        return QCommandLineOption(QStringLiteral("connection"), QStringLiteral("ODBC connection string"),
                                  QStringLiteral("odbc"));
    }

    explicit BenchDataSource(const QCommandLineParser& parser)
        : m_scratch(!parser.isSet(QStringLiteral("connection"))),
          m_connection(m_scratch ? qalor::CDatabase::embeddedConnectionString(
                                       m_dir.filePath(QStringLiteral("bench.sqlite")))
                                 : parser.value(QStringLiteral("connection")))
    {
        // As the programs do: any locale, private files.
        qalor::ProgramStart::prepareProcess();
    }

    // A scratch file may be filled freely; a named data source only when told.
    bool scratch() const { return m_scratch; }
    const QString& connection() const { return m_connection; }

private:
    QTemporaryDir m_dir;
    bool m_scratch;
    QString m_connection;
};
