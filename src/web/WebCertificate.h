#pragma once

#include <QString>

class QSslConfiguration;

namespace qalor {

// The console's TLS certificate and key: the files the administrator gave,
// or a self-signed pair made once in the data folder (an EC P-256 key and a
// certificate for this machine's name, valid ten years), the key readable by
// its owner alone.
class WebCertificate
{
public:
    // Where the made pair lives.
    static QString defaultCertificateFile(const QString& folder);
    static QString defaultKeyFile(const QString& folder);

    // Makes the pair unless both files are there. Returns false with the
    // reason; *made tells whether it was made now.
    static bool ensureSelfSigned(const QString& certificateFile, const QString& keyFile, bool* made,
                                 QString* error);
    // Reads a PEM certificate (with its chain) and its key into a server
    // configuration; false with the reason.
    static bool load(const QString& certificateFile, const QString& keyFile, QSslConfiguration* configuration,
                     QString* error);
};

} // namespace qalor
