#include "protocols/PdfSigner.h"

#include "protocols/PdfSyntax.h"

#include <QTimeZone>

using pdf::TDict;
using pdf::TXref;

namespace {

// "D:YYYYMMDDHHmmSS" with "Z", "+HH'mm'" or "-HH'mm'" (none: UTC).
QDateTime fromPdfDate(const QString &text)
{
    if (!text.startsWith(QLatin1String("D:"))) return {};
    const QDateTime local = QDateTime::fromString(text.mid(2, 14), QStringLiteral("yyyyMMddHHmmss"));
    if (!local.isValid()) return {};
    const QChar sign = text.size() > 16 ? text[16] : QLatin1Char('Z');
    int offset = 0;
    if (sign == QLatin1Char('+') || sign == QLatin1Char('-'))
        offset = (text.mid(17, 2).toInt() * 60 + text.mid(20, 2).toInt()) * 60 *
                 (sign == QLatin1Char('-') ? -1 : 1);
    return QDateTime(local.date(), local.time(), QTimeZone(offset)).toUTC();
}

// A dictionary given inline or as a reference.
bool dictOf(const QByteArray &pdf, const TXref &xref, const QByteArray &value, TDict &dict)
{
    const int n = pdf::RefNumber(value);
    return n >= 0 ? pdf::ReadObjectDict(pdf, xref, n, dict) : pdf::ParseDict(value, 0, dict);
}

// The signature dictionary of the form's first signature field; -1 if none.
int signatureObject(const QByteArray &pdf, const TXref &xref)
{
    TDict catalog;
    TDict form;
    if (!pdf::ReadObjectDict(pdf, xref, pdf::RefNumber(xref.trailer.value("/Root")), catalog) ||
        !dictOf(pdf, xref, catalog.value("/AcroForm"), form))
        return -1;
    QByteArray fields = form.value("/Fields");
    if (const int n = pdf::RefNumber(fields); n >= 0 && !pdf::ReadObjectValue(pdf, xref, n, fields))
        return -1;
    for (const int f : pdf::RefList(fields)) {
        TDict field;
        if (pdf::ReadObjectDict(pdf, xref, f, field) && field.value("/FT") == "/Sig")
            return pdf::RefNumber(field.value("/V"));
    }
    return -1;
}

// The four numbers of /ByteRange; empty unless there are exactly four.
QList<qint64> byteRange(const QByteArray &value)
{
    const QByteArray v = value.trimmed();
    QList<qint64> r;
    if (!v.startsWith('[') || !v.endsWith(']')) return r;
    for (const QByteArray &t : v.mid(1, v.size() - 2).simplified().split(' ')) {
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (!ok || n < 0) return {};
        r << n;
    }
    return r.size() == 4 ? r : QList<qint64>();
}

// Why the range does not cover the whole file but the signature; empty when it does.
QString coverageProblem(const QList<qint64> &r, const TDict::Entry &contents, qint64 fileSize)
{
    // Offsets beyond the file are refused before they are added up.
    if (r.isEmpty() || r[2] > fileSize || r[3] > fileSize)
        return QStringLiteral("Der unterschriebene Bereich (/ByteRange) ist unlesbar.");
    const qint64 gapTo = contents.offset + contents.value.size();
    if (r[0] != 0 || r[1] != contents.offset || r[2] != gapTo || !contents.value.startsWith('<'))
        return QStringLiteral("Der unterschriebene Bereich (/ByteRange) lässt mehr aus als die Unterschrift "
                              "selbst.");
    if (r[2] + r[3] < fileSize)
        return QStringLiteral("Nach dem Unterschreiben wurde etwas an die Datei angehängt; dieser Teil ist "
                              "nicht unterschrieben.");
    if (r[2] + r[3] > fileSize)
        return QStringLiteral("Die Datei ist kürzer als der unterschriebene Bereich; sie wurde verändert.");
    return {};
}

} // namespace

TPdfSignatureCheck CheckPdfSignature(const QByteArray &pdf)
{
    TPdfSignatureCheck check;
    TXref xref;
    if (!pdf::ReadXref(pdf, xref, &check.problem)) return check;
    TDict sig;
    const int sigObj = signatureObject(pdf, xref);
    if (sigObj < 0 || !pdf::ReadObjectDict(pdf, xref, sigObj, sig) || !sig.has("/Contents")) {
        check.problem = QStringLiteral("Die Datei trägt keine Unterschrift.");
        return check;
    }
    check.found = true;
    const QString named = pdf::DecodeTextString(sig.value("/Name"));
    check.signer = named;
    check.signedAt = fromPdfDate(pdf::DecodeTextString(sig.value("/M")));
    if (sig.value("/SubFilter") != "/adbe.pkcs7.detached") {
        check.problem =
            QStringLiteral("Die Unterschrift hat die Form %1, die hier nicht geprüft werden kann.")
                .arg(QString::fromLatin1(sig.value("/SubFilter")));
        return check;
    }
    const QList<qint64> range = byteRange(sig.value("/ByteRange"));
    const TDict::Entry &contents = *sig.find("/Contents");
    check.problem = coverageProblem(range, contents, pdf.size());
    if (!check.problem.isEmpty()) return check;

    const QByteArray der = QByteArray::fromHex(contents.value.mid(1, contents.value.size() - 2));
    const TCmsCheck cms = VerifyDetachedCms(der, pdf.left(range[1]) + pdf.mid(range[2], range[3]));
    if (!cms.signer.isEmpty()) check.signer = cms.signer;
    if (cms.signedAt.isValid()) check.signedAt = cms.signedAt;
    if (!cms.valid) {
        check.problem = cms.problem;
        return check;
    }
    if (!named.isEmpty() && named != cms.signer) {
        check.problem =
            QStringLiteral("Der Name in der Unterschrift („%1“) ist nicht der des Zertifikats („%2“).")
                .arg(named, cms.signer);
        return check;
    }
    check.unchanged = true;
    return check;
}
