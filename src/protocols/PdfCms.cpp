#include "protocols/PdfCms.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <ctime>

namespace {

struct TFreeBio {
    void operator()(BIO *b) const { BIO_free(b); }
};
struct TFreeCms {
    void operator()(CMS_ContentInfo *c) const { CMS_ContentInfo_free(c); }
};
struct TFreeP12 {
    void operator()(PKCS12 *p) const { PKCS12_free(p); }
};
using TBio = std::unique_ptr<BIO, TFreeBio>;
using TCms = std::unique_ptr<CMS_ContentInfo, TFreeCms>;
using TP12 = std::unique_ptr<PKCS12, TFreeP12>;

TBio memoryBio(const QByteArray &data)
{
    return TBio(BIO_new_mem_buf(data.constData(), int(data.size())));
}

// OpenSSL's own words for the last failure (English; only ever a detail).
QString lastOpensslError()
{
    const unsigned long e = ERR_peek_last_error();
    ERR_clear_error();
    if (e == 0) return QStringLiteral("unbekannter Fehler");
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    return QString::fromLatin1(buf);
}

QString subjectName(X509 *cert)
{
    X509_NAME *name = X509_get_subject_name(cert);
    const int idx = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
    if (idx >= 0) {
        unsigned char *utf8 = nullptr;
        const int len = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, idx)));
        if (len >= 0) {
            QString cn = QString::fromUtf8(reinterpret_cast<const char *>(utf8), len);
            OPENSSL_free(utf8);
            return cn;
        }
    }
    TBio bio(BIO_new(BIO_s_mem()));
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char *text = nullptr;
    const long len = BIO_get_mem_data(bio.get(), &text);
    return QString::fromUtf8(text, len);
}

QString quoted(const QString &fileName)
{
    return QStringLiteral("„%1“").arg(fileName);
}

// Certificates exported by older systems are sealed with ciphers that
// OpenSSL keeps in its legacy module; loaded only when needed.
void loadLegacyCiphers()
{
    // Kept for the life of the program; held here so they stay reachable.
    static OSSL_PROVIDER *const legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER *const standard = OSSL_PROVIDER_load(nullptr, "default");
    (void)legacy;
    (void)standard;
}

QDateTime signingTime(CMS_SignerInfo *si)
{
    const int idx = CMS_signed_get_attr_by_NID(si, NID_pkcs9_signingTime, -1);
    if (idx < 0) return {};
    const ASN1_TYPE *t = X509_ATTRIBUTE_get0_type(CMS_signed_get_attr(si, idx), 0);
    if (!t || (t->type != V_ASN1_UTCTIME && t->type != V_ASN1_GENERALIZEDTIME)) return {};
    std::tm tm{};
    if (!ASN1_TIME_to_tm(t->value.utctime, &tm)) return {};
    return QDateTime(QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday),
                     QTime(tm.tm_hour, tm.tm_min, tm.tm_sec), Qt::UTC);
}

} // namespace

struct TCmsSigner::Keys {
    EVP_PKEY *key = nullptr;
    X509 *cert = nullptr;
    STACK_OF(X509) *chain = nullptr;
    Keys() = default;
    Keys(const Keys &) = delete;
    Keys &operator=(const Keys &) = delete;
    ~Keys()
    {
        EVP_PKEY_free(key);
        X509_free(cert);
        sk_X509_pop_free(chain, X509_free);
    }
};

TCmsSigner::TCmsSigner() = default;
TCmsSigner::~TCmsSigner() = default;

bool TCmsSigner::Load(const QString &fileName, const QString &password, QString *error)
{
    m_keys.reset();
    m_name.clear();
    auto fail = [error](const QString &why) {
        if (error) *error = why;
        return false;
    };
    const QFileInfo info(fileName);
    if (!info.exists())
        return fail(QStringLiteral("Die Zertifikatsdatei %1 gibt es nicht.").arg(quoted(fileName)));
    QFile file(fileName);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("Die Zertifikatsdatei %1 kann nicht gelesen werden.").arg(quoted(fileName)));
    const QByteArray data = file.readAll();
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const TP12 p12(d2i_PKCS12(nullptr, &p, long(data.size())));
    if (!p12) {
        ERR_clear_error();
        return fail(QStringLiteral("Die Datei %1 ist kein Zertifikat im PKCS#12-Format (.p12 oder .pfx).")
                        .arg(quoted(fileName)));
    }
    const QByteArray pw = password.toUtf8();
    if (PKCS12_mac_present(p12.get()) && !PKCS12_verify_mac(p12.get(), pw.constData(), int(pw.size())) &&
        !(pw.isEmpty() && PKCS12_verify_mac(p12.get(), nullptr, 0))) {
        ERR_clear_error();
        return fail(QStringLiteral("Das Passwort für das Zertifikat %1 ist falsch.").arg(quoted(fileName)));
    }
    auto keys = std::make_unique<Keys>();
    bool parsed = PKCS12_parse(p12.get(), pw.constData(), &keys->key, &keys->cert, &keys->chain) != 0;
    if (!parsed) {
        ERR_clear_error();
        loadLegacyCiphers();
        parsed = PKCS12_parse(p12.get(), pw.constData(), &keys->key, &keys->cert, &keys->chain) != 0;
    }
    if (!parsed)
        return fail(QStringLiteral("Das Zertifikat %1 kann nicht entschlüsselt werden (%2).")
                        .arg(quoted(fileName), lastOpensslError()));
    if (!keys->key || !keys->cert || X509_check_private_key(keys->cert, keys->key) != 1) {
        ERR_clear_error();
        return fail(QStringLiteral("Die Datei %1 enthält kein Zertifikat mit seinem privaten Schlüssel.")
                        .arg(quoted(fileName)));
    }
    m_name = subjectName(keys->cert);
    m_keys = std::move(keys);
    return true;
}

qsizetype TCmsSigner::SignatureSizeBound() const
{
    if (!m_keys) return 0;
    qsizetype certs = 2 * i2d_X509(m_keys->cert, nullptr);
    for (int i = 0; i < sk_X509_num(m_keys->chain); ++i)
        certs += i2d_X509(sk_X509_value(m_keys->chain, i), nullptr);
    // Algorithm names, signed attributes and the envelope take a few hundred bytes.
    return certs + EVP_PKEY_get_size(m_keys->key) + 512;
}

QByteArray TCmsSigner::Sign(const QByteArray &data, QString *error) const
{
    if (!m_keys) {
        if (error) *error = QStringLiteral("Es ist kein Zertifikat geladen.");
        return {};
    }
    const TBio in = memoryBio(data);
    constexpr unsigned flags = CMS_DETACHED | CMS_BINARY;
    const TCms cms(CMS_sign(nullptr, nullptr, m_keys->chain, nullptr, flags | CMS_PARTIAL));
    if (!cms || !CMS_add1_signer(cms.get(), m_keys->cert, m_keys->key, EVP_sha256(), flags) ||
        !CMS_final(cms.get(), in.get(), nullptr, flags)) {
        if (error)
            *error =
                QStringLiteral("Die Unterschrift kann nicht erzeugt werden (%1).").arg(lastOpensslError());
        return {};
    }
    const int len = i2d_CMS_ContentInfo(cms.get(), nullptr);
    QByteArray der(len > 0 ? len : 0, '\0');
    auto *out = reinterpret_cast<unsigned char *>(der.data());
    if (len <= 0 || i2d_CMS_ContentInfo(cms.get(), &out) != len) {
        if (error)
            *error =
                QStringLiteral("Die Unterschrift kann nicht erzeugt werden (%1).").arg(lastOpensslError());
        return {};
    }
    return der;
}

TCmsCheck VerifyDetachedCms(const QByteArray &der, const QByteArray &data)
{
    TCmsCheck check;
    const auto *p = reinterpret_cast<const unsigned char *>(der.constData());
    const TCms cms(d2i_CMS_ContentInfo(nullptr, &p, long(der.size())));
    STACK_OF(CMS_SignerInfo) *infos = cms ? CMS_get0_SignerInfos(cms.get()) : nullptr;
    if (!infos || sk_CMS_SignerInfo_num(infos) != 1) {
        ERR_clear_error();
        check.problem =
            QStringLiteral("Die Unterschrift ist unlesbar oder hat nicht genau einen Unterzeichner.");
        return check;
    }
    // The signer's certificate is looked up among those the signature carries.
    CMS_set1_signers_certs(cms.get(), nullptr, 0);
    CMS_SignerInfo *si = sk_CMS_SignerInfo_value(infos, 0);
    X509 *cert = nullptr;
    CMS_SignerInfo_get0_algs(si, nullptr, &cert, nullptr, nullptr);
    if (!cert) {
        ERR_clear_error();
        check.problem = QStringLiteral("Die Unterschrift enthält das Zertifikat des Unterzeichners nicht.");
        return check;
    }
    check.signer = subjectName(cert);
    check.signedAt = signingTime(si);
    const TBio in = memoryBio(data);
    check.valid = CMS_verify(cms.get(), nullptr, nullptr, in.get(), nullptr,
                             CMS_DETACHED | CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) == 1;
    ERR_clear_error();
    if (!check.valid)
        check.problem = QStringLiteral("Der Inhalt passt nicht zur Unterschrift: die Datei wurde nach dem "
                                       "Unterschreiben verändert.");
    return check;
}
