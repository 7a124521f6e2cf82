#pragma once

// The cryptographic half of a PDF signature (OpenSSL): the key and
// certificate from a PKCS#12 file, and a detached CMS signature (SHA-256,
// the signer's certificate included) over the bytes the PDF signs.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

class TCmsSigner {
public:
    TCmsSigner();
    ~TCmsSigner();
    TCmsSigner(const TCmsSigner &) = delete;
    TCmsSigner &operator=(const TCmsSigner &) = delete;

    // Reads key and certificate; false with a German reason (file missing or
    // unreadable, not PKCS#12, wrong password, no key in it).
    bool Load(const QString &fileName, const QString &password, QString *error);
    bool IsLoaded() const { return m_keys != nullptr; }
    // The certificate's common name (CN), else its whole subject.
    const QString &SignerName() const { return m_name; }
    // Bytes a signature will need at most, give or take: the certificates
    // it carries, the signer's name once more, the key's signature size.
    qsizetype SignatureSizeBound() const;
    // The DER-encoded CMS signature of data; empty with a German reason.
    QByteArray Sign(const QByteArray &data, QString *error) const;

private:
    struct Keys;
    std::unique_ptr<Keys> m_keys;
    QString m_name;
};

struct TCmsCheck {
    bool valid = false; // the signature matches the data and the certificate it carries
    QString signer;     // the signing certificate's common name
    QDateTime signedAt; // the signed signing time, when the signature has one
    QString problem;    // German, when not valid
};

// Checks a detached CMS signature over data against the certificate it
// carries. The certificate itself is not checked against any authority.
TCmsCheck VerifyDetachedCms(const QByteArray &der, const QByteArray &data);
