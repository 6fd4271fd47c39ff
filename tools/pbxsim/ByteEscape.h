#pragma once

#include <QByteArray>
#include <QString>

namespace qalor::pbxsim {

// Printable ASCII stays as it is; backslash, CR, LF and TAB become \\ \r \n
// \t; every other byte becomes \xHH. The result is one line of plain text.
QString escapeBytes(const QByteArray& bytes);
// The bytes an escaped line stands for.
QByteArray unescapeBytes(const QString& text);

} // namespace qalor::pbxsim
