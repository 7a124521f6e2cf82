#include "protocols/PdfSigner.h"

#include "protocols/PdfSyntax.h"

#include <QMap>

using pdf::TDict;
using pdf::TXref;

namespace {

// "0 " and three offsets of up to ten digits, blank-padded until known.
constexpr qsizetype ByteRangeWidth = 2 + 3 * 11;

QByteArray ref(int n)
{
    return QByteArray::number(n) + " 0 R";
}

// The array's items with one more reference at its end.
QByteArray withItem(const QByteArray &array, int n)
{
    const QByteArray a = array.trimmed();
    return a.left(a.size() - 1).trimmed() + ' ' + ref(n) + ']';
}

QByteArray pdfDate(const QDateTime &when)
{
    return "(D:" + when.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "+00'00')";
}

bool failWith(QString *error, const QString &why)
{
    if (error) *error = why;
    return false;
}

// The first page: kids followed down from the page tree's root.
bool firstPage(const QByteArray &pdf, const TXref &xref, int node, int &pageObj, TDict &page)
{
    for (int depth = 0; depth < 32 && node >= 0; ++depth) {
        if (!pdf::ReadObjectDict(pdf, xref, node, page)) return false;
        if (page.value("/Type") == "/Page") {
            pageObj = node;
            return true;
        }
        const QList<int> kids = pdf::RefList(page.value("/Kids"));
        node = kids.isEmpty() ? -1 : kids.first();
    }
    return false;
}

// The objects the update writes anew (catalog with the form, the first
// page's annotations, the field), keyed by object number; the signature
// dictionary (object sigObj) is added by the caller.
bool changedObjects(const QByteArray &pdf, const TXref &xref, int sigObj, QMap<int, QByteArray> &objects,
                    QString *error)
{
    const QString unreadable = QStringLiteral("Der Aufbau der PDF-Datei ist nicht lesbar; sie wird nicht "
                                              "unterschrieben.");
    const int root = pdf::RefNumber(xref.trailer.value("/Root"));
    TDict catalog;
    if (!pdf::ReadObjectDict(pdf, xref, root, catalog)) return failWith(error, unreadable);
    if (catalog.has("/AcroForm"))
        return failWith(error, QStringLiteral("Die PDF-Datei hat schon Formularfelder; sie wird nicht "
                                              "unterschrieben."));
    int pageObj = -1;
    TDict page;
    if (!firstPage(pdf, xref, pdf::RefNumber(catalog.value("/Pages")), pageObj, page))
        return failWith(error, unreadable);
    const int field = sigObj + 1;
    catalog.set("/AcroForm", "<< /Fields [" + ref(field) + "] /SigFlags 3 >>");
    objects.insert(root, catalog.Serialized());

    const QByteArray annots = page.value("/Annots");
    if (const int annotsObj = pdf::RefNumber(annots); annotsObj >= 0) {
        QByteArray array;
        if (!pdf::ReadObjectValue(pdf, xref, annotsObj, array) || !array.startsWith('['))
            return failWith(error, unreadable);
        objects.insert(annotsObj, withItem(array, field));
    } else {
        page.set("/Annots", annots.startsWith('[') ? withItem(annots, field) : '[' + ref(field) + ']');
        objects.insert(pageObj, page.Serialized());
    }
    // Invisible but printable, as archival files want every annotation.
    objects.insert(field, "<<\n/Type /Annot\n/Subtype /Widget\n/FT /Sig\n/T (Signatur1)\n/F 132\n"
                          "/Rect [0 0 0 0]\n/P " +
                              ref(pageObj) + "\n/V " + ref(sigObj) + "\n>>");
    return true;
}

// The update after pdf: the objects, their cross-reference table (one
// subsection per run of numbers) and the trailer pointing back.
QByteArray update(const QByteArray &pdf, const TXref &xref, const QMap<int, QByteArray> &objects, int size)
{
    QByteArray out = pdf.endsWith('\n') ? QByteArray() : QByteArray("\n");
    QMap<int, qint64> offsets;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        offsets.insert(it.key(), pdf.size() + out.size());
        out += QByteArray::number(it.key()) + " 0 obj\n" + it.value() + "\nendobj\n";
    }
    const qint64 xrefAt = pdf.size() + out.size();
    out += "xref\n";
    for (auto it = offsets.cbegin(); it != offsets.cend();) {
        auto end = std::next(it);
        while (end != offsets.cend() && end.key() == std::prev(end).key() + 1)
            ++end;
        out += QByteArray::number(it.key()) + ' ' + QByteArray::number(std::distance(it, end)) + '\n';
        for (; it != end; ++it)
            out += QByteArray::number(it.value()).rightJustified(10, '0') + " 00000 n\r\n";
    }
    TDict trailer = xref.trailer;
    trailer.set("/Size", QByteArray::number(size));
    trailer.set("/Prev", QByteArray::number(xref.start));
    out += "trailer\n" + trailer.Serialized() + "\nstartxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
    return out;
}

QByteArray signatureDict(const QString &name, const QDateTime &when, qsizetype room)
{
    // Offsets and contents first: the name that follows could hold any text.
    return "<<\n/Type /Sig\n/Filter /Adobe.PPKLite\n/SubFilter /adbe.pkcs7.detached\n/ByteRange [" +
           QByteArray(ByteRangeWidth, ' ') + "]\n/Contents <" + QByteArray(2 * room, '0') + ">\n/Name " +
           pdf::TextString(name) + "\n/M " + pdfDate(when) + "\n>>";
}

} // namespace

bool TPdfSigner::Load(const TPdfSignatureSettings &settings, QString *error)
{
    return m_cms.Load(settings.Certificate, settings.Password, error);
}

bool TPdfSigner::Sign(QByteArray &pdf, QString *error, const QDateTime &when) const
{
    TXref xref;
    if (!pdf::ReadXref(pdf, xref, error)) return false;
    bool sizeOk = false;
    const int sigObj = xref.trailer.value("/Size").trimmed().toInt(&sizeOk);
    QMap<int, QByteArray> objects;
    if (!sizeOk) return failWith(error, QStringLiteral("Der PDF-Datei fehlt die Objektzahl (/Size)."));
    if (!changedObjects(pdf, xref, sigObj, objects, error)) return false;
    const QDateTime at = when.isValid() ? when : QDateTime::currentDateTimeUtc();
    // Room for the signature as its certificates suggest; should it need
    // more after all, it is made again with what it needs.
    for (qsizetype room = m_cms.SignatureSizeBound();;) {
        objects.insert(sigObj, signatureDict(SignerName(), at, room));
        QByteArray out = pdf + update(pdf, xref, objects, sigObj + 2);
        const qsizetype sigAt = out.indexOf(QByteArray::number(sigObj) + " 0 obj\n<<", pdf.size());
        const qsizetype rangeAt = out.indexOf("/ByteRange [", sigAt) + 12;
        const qsizetype gapFrom = out.indexOf("/Contents <", sigAt) + 10;
        const qsizetype gapTo = gapFrom + 2 * room + 2;
        const QByteArray range = "0 " + QByteArray::number(gapFrom) + ' ' + QByteArray::number(gapTo) + ' ' +
                                 QByteArray::number(out.size() - gapTo);
        if (range.size() > ByteRangeWidth)
            return failWith(error, QStringLiteral("Die PDF-Datei ist zu groß zum Unterschreiben."));
        out.replace(rangeAt, ByteRangeWidth, range.leftJustified(ByteRangeWidth, ' '));
        const QByteArray der = m_cms.Sign(out.left(gapFrom) + out.mid(gapTo), error);
        if (der.isEmpty()) return false;
        if (der.size() > room) {
            room = der.size() + 1024;
            continue;
        }
        const QByteArray hex = der.toHex().toUpper();
        out.replace(gapFrom + 1, hex.size(), hex);
        pdf = out;
        return true;
    }
}

bool SignPdfAsConfigured(const TPdfSignatureSettings &settings, QByteArray &pdf, QString *error)
{
    if (!settings.Enabled()) return true;
    TPdfSigner signer;
    return signer.Load(settings, error) && signer.Sign(pdf, error);
}
