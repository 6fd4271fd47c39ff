#pragma once

#include <QHttpServerResponse>

namespace qalor {

// The console's pages, scripts and styles, compiled into the program.
class StaticPages
{
public:
    // "index.html", "app.js", ...: the file with its type; 404 for any other
    // name (names are plain: no folder, no leading dot).
    static QHttpServerResponse file(const QString& name);
    static QByteArray mimeType(const QString& name);
};

} // namespace qalor
