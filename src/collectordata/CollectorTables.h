#pragma once

#include <QString>

namespace qalor {

class CDatabase;

// The tables through which collectors and workstations meet in the data
// source, created when missing (on SQLite and PostgreSQL alike):
//
// - 采集服务表: one row per running collector (its machine, process, CDR
//   port and the port's state), beaten every second;
// - 采集请求表: what a workstation asks of a collector, each request
//   answered with done or failed and the system's text;
// - 采集话单表: the calls a collector priced lately, for the windows to show,
//   numbered from the counter in 采集序号表.
//
// Works on the shared connection unless told otherwise; raises DbError.
class CollectorTables
{
public:
    static void ensure();
    static void ensure(CDatabase& db);
    // This machine's name and this process's number: the collector's name.
    static QString hostName();
    static QString processName();
};

} // namespace qalor
