#include "web/WebCertificate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSysInfo>

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace qalor {

namespace {

template <auto Free> struct Deleter
{
    template <class T> void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509_free>>;
using Memory = std::unique_ptr<BIO, Deleter<BIO_free>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION_free>>;

constexpr long TenYears = 10L * 366 * 24 * 60 * 60;

QByteArray drain(BIO* bio)
{
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, qsizetype(size));
}

bool addExtension(X509* certificate, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    const Extension extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    return extension && X509_add_ext(certificate, extension.get(), -1) == 1;
}

// The key and the certificate as PEM texts; empty on failure.
std::pair<QByteArray, QByteArray> makePair(const QString& host)
{
    const Key key(EVP_EC_gen("P-256"));
    const Certificate certificate(X509_new());
    if (!key || !certificate)
        return {};
    X509* x = certificate.get();
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1)
        return {};
    serial[0] &= 0x7f; // a positive number
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    const bool serialSet = number && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(x)) != nullptr;
    BN_free(number);
    const QByteArray name = host.toUtf8();
    const QByteArray altName = "DNS:" + name + ",DNS:localhost,IP:127.0.0.1,IP:::1";
    X509_NAME* subject = X509_get_subject_name(x);
    if (!serialSet || X509_set_version(x, 2) != 1 || !X509_gmtime_adj(X509_getm_notBefore(x), -60) ||
        !X509_gmtime_adj(X509_getm_notAfter(x), TenYears) || X509_set_pubkey(x, key.get()) != 1 ||
        X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(name.constData()), -1, -1,
                                   0) != 1 ||
        X509_set_issuer_name(x, subject) != 1 ||
        !addExtension(x, NID_subject_alt_name, altName.constData()) ||
        !addExtension(x, NID_basic_constraints, "critical,CA:FALSE") ||
        !addExtension(x, NID_ext_key_usage, "serverAuth") || X509_sign(x, key.get(), EVP_sha256()) == 0)
        return {};
    const Memory keyText(BIO_new(BIO_s_mem()));
    const Memory certificateText(BIO_new(BIO_s_mem()));
    if (!keyText || !certificateText ||
        PEM_write_bio_PrivateKey(keyText.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        PEM_write_bio_X509(certificateText.get(), x) != 1)
        return {};
    return {drain(keyText.get()), drain(certificateText.get())};
}

bool writeFile(const QString& fileName, const QByteArray& data, QFile::Permissions permissions,
               QString* error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(permissions) ||
        file.write(data) != data.size() || !file.commit()) {
        *error = QStringLiteral("无法写入%1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

} // namespace

QString WebCertificate::defaultCertificateFile(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("qalor-web.crt"));
}

QString WebCertificate::defaultKeyFile(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("qalor-web.key"));
}

bool WebCertificate::ensureSelfSigned(const QString& certificateFile, const QString& keyFile, bool* made,
                                      QString* error)
{
    *made = false;
    if (QFileInfo::exists(certificateFile) && QFileInfo::exists(keyFile))
        return true;
    if (!QDir().mkpath(QFileInfo(keyFile).absolutePath())) {
        *error = QStringLiteral("无法建立文件夹%1").arg(QFileInfo(keyFile).absolutePath());
        return false;
    }
    const auto [key, certificate] = makePair(QSysInfo::machineHostName());
    if (key.isEmpty() || certificate.isEmpty()) {
        *error = QStringLiteral("无法生成证书.");
        return false;
    }
    // The key first: a certificate is never there without its key.
    if (!writeFile(keyFile, key, QFile::ReadOwner | QFile::WriteOwner, error) ||
        !writeFile(certificateFile, certificate,
                   QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther, error))
        return false;
    *made = true;
    return true;
}

bool WebCertificate::load(const QString& certificateFile, const QString& keyFile,
                          QSslConfiguration* configuration, QString* error)
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certificateFile, QSsl::Pem);
    if (chain.isEmpty() || chain.first().isNull()) {
        *error = QStringLiteral("无法读取证书%1").arg(certificateFile);
        return false;
    }
    QFile file(keyFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取密钥%1: %2").arg(keyFile, file.errorString());
        return false;
    }
    const QByteArray pem = file.readAll();
    QSslKey key(pem, QSsl::Ec, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(pem, QSsl::Rsa, QSsl::Pem);
    if (key.isNull()) {
        *error = QStringLiteral("无法读取密钥%1").arg(keyFile);
        return false;
    }
    *configuration = QSslConfiguration::defaultConfiguration();
    configuration->setLocalCertificate(chain.first());
    configuration->setLocalCertificateChain(chain);
    configuration->setPrivateKey(key);
    configuration->setProtocol(QSsl::TlsV1_2OrLater);
    configuration->setPeerVerifyMode(QSslSocket::VerifyNone);
    return true;
}

} // namespace qalor
