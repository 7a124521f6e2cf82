#pragma once

// Signed PDF files. The signature is appended to a finished file as an
// incremental update: an invisible signature field on the first page, and a
// signature dictionary whose detached CMS signature (see PdfCms.h) covers
// every byte of the file except its own hex string. Appending leaves the
// bytes written before untouched, so a PDF/A file stays one.

#include "protocols/PdfCms.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Section [Signatur] of the settings file.
struct TPdfSignatureSettings {
    QString Certificate; // PKCS#12 file; empty: nothing is signed
    QString Password;
    bool Enabled() const { return !Certificate.trimmed().isEmpty(); }
};

class TPdfSigner {
public:
    // False with a German reason when the certificate cannot be used.
    bool Load(const TPdfSignatureSettings &settings, QString *error);
    const QString &SignerName() const { return m_cms.SignerName(); }

    // Signs pdf in place (a file with classic cross-reference tables and no
    // form fields yet, as QPdfWriter writes it); false with a German reason,
    // pdf unchanged. A null time is now.
    bool Sign(QByteArray &pdf, QString *error, const QDateTime &when = QDateTime()) const;

private:
    TCmsSigner m_cms;
};

// Signs pdf as the settings say: not at all without a certificate. False
// with a German reason when the certificate cannot be used.
bool SignPdfAsConfigured(const TPdfSignatureSettings &settings, QByteArray &pdf, QString *error);

struct TPdfSignatureCheck {
    bool found = false;     // the file carries a signature
    bool unchanged = false; // it covers the whole file, and the bytes and certificate match
    QString signer;         // the certificate's name
    QDateTime signedAt;     // UTC; null when the signature does not say
    QString problem;        // German, when not unchanged
};

// Checks the file's signature. The certificate is taken as the signature
// carries it: whether an authority vouches for it is not checked.
TPdfSignatureCheck CheckPdfSignature(const QByteArray &pdf);
