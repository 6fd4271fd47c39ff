#pragma once

#include <QString>

namespace qalor {

// What port number n is: the per-user setting "SerialPorts/COM<n>", either a
// serial device or "tcp://HOST:PORT" (the CDR port of a serial device server
// on the network); /dev/ttyS<n-1> when it is not set.
QString serialDeviceForPort(int port);

// A "tcp://HOST:PORT" mapping. Host names, IPv4 and bracketed IPv6 addresses
// are accepted; the port must be 1 to 65535 and nothing may follow it.
struct TcpAddress
{
    QString host;
    quint16 port = 0;
};

// Whether the mapping names a network address (well formed or not).
bool isTcpMapping(const QString& mapping);
// False when the mapping is not a well-formed tcp:// address.
bool parseTcpAddress(const QString& mapping, TcpAddress& address);

} // namespace qalor
