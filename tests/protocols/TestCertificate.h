#pragma once

// A throw-away signing certificate made by the openssl command (RSA 2048:
// quick to make), and what poppler's pdfsig says about a signed file.

#include <QString>

namespace test_cert {

bool haveOpenssl();
bool havePdfsig();

// A self-signed certificate with the given common name and its key as a
// PKCS#12 file sealed with password; the file name, empty on failure. Made
// once per build folder and kept there, as making keys is the slow part.
// Read only: a test that spoils one copies it first.
// legacy: sealed with the old ciphers (RC2, 3DES) of files exported by
// older systems.
QString Pkcs12(const QString &commonName, const QString &password, bool legacy = false);

// pdfsig's report on the file (standard output and error).
QString Pdfsig(const QString &pdf);
// pdfinfo -meta: the document information and its XMP metadata.
QString PdfinfoMeta(const QString &pdf);

} // namespace test_cert
