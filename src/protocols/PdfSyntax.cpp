#include "protocols/PdfSyntax.h"

#include <QSet>
#include <QStringDecoder>

#include <cstring>

namespace pdf {

namespace {

// Files nest a few levels; anything deeper is not one of ours.
constexpr int MaxDepth = 64;

bool isWhite(char c)
{
    return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool isDelimiter(char c)
{
    return c != 0 && std::strchr("()<>[]{}/%", c) != nullptr;
}

qsizetype skipBlanks(const QByteArray &d, qsizetype i)
{
    while (i < d.size()) {
        if (isWhite(d[i])) {
            ++i;
        } else if (d[i] == '%') {
            while (i < d.size() && d[i] != '\n' && d[i] != '\r')
                ++i;
        } else {
            break;
        }
    }
    return i;
}

qsizetype skipLiteral(const QByteArray &d, qsizetype i)
{
    int depth = 0;
    for (; i < d.size(); ++i) {
        const char c = d[i];
        if (c == '\\') {
            ++i;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return -1;
}

qsizetype skipValue(const QByteArray &d, qsizetype pos, qsizetype *start, int depth);

// Items up to the closing bracket ("]" or ">>").
qsizetype skipItems(const QByteArray &d, qsizetype i, const QByteArray &close, int depth)
{
    for (;;) {
        i = skipBlanks(d, i);
        if (i >= d.size()) return -1;
        if (d.mid(i, close.size()) == close) return i + close.size();
        i = skipValue(d, i, nullptr, depth + 1);
        if (i < 0) return -1;
    }
}

qsizetype skipValue(const QByteArray &d, qsizetype pos, qsizetype *start, int depth)
{
    if (depth > MaxDepth) return -1;
    pos = skipBlanks(d, pos);
    if (pos >= d.size()) return -1;
    if (start) *start = pos;
    const char c = d[pos];
    if (c == '(') return skipLiteral(d, pos);
    if (c == '<' && pos + 1 < d.size() && d[pos + 1] == '<') return skipItems(d, pos + 2, ">>", depth);
    if (c == '<') {
        const qsizetype end = d.indexOf('>', pos + 1);
        return end < 0 ? -1 : end + 1;
    }
    if (c == '[') return skipItems(d, pos + 1, "]", depth);
    qsizetype i = pos + (c == '/' ? 1 : 0);
    if (c != '/' && isDelimiter(c)) return -1;
    while (i < d.size() && !isWhite(d[i]) && !isDelimiter(d[i]))
        ++i;
    return i;
}

bool isInteger(const QByteArray &token)
{
    if (token.isEmpty()) return false;
    for (const char c : token)
        if (c < '0' || c > '9') return false;
    return true;
}

// The next plain token from pos (a number or keyword); empty when none.
QByteArray token(const QByteArray &d, qsizetype &pos)
{
    qsizetype start = 0;
    const qsizetype end = skipValue(d, pos, &start, 0);
    if (end < 0) return {};
    pos = end;
    return d.mid(start, end - start);
}

// One cross-reference section at offset into xref (older entries never
// replace newer ones); its trailer in *trailer.
bool readSection(const QByteArray &pdf, qint64 offset, TXref &xref, TDict &trailer)
{
    if (offset < 0 || offset >= pdf.size()) return false;
    qsizetype i = skipBlanks(pdf, offset);
    if (pdf.mid(i, 4) != "xref") return false;
    i += 4;
    for (;;) {
        i = skipBlanks(pdf, i);
        if (pdf.mid(i, 7) == "trailer") return ParseDict(pdf, i + 7, trailer);
        const QByteArray first = token(pdf, i);
        const QByteArray count = token(pdf, i);
        if (!isInteger(first) || !isInteger(count)) return false;
        const int n0 = first.toInt();
        for (int k = 0; k < count.toInt(); ++k) {
            const QByteArray off = token(pdf, i);
            const QByteArray gen = token(pdf, i);
            const QByteArray type = token(pdf, i);
            if (!isInteger(off) || !isInteger(gen) || (type != "n" && type != "f")) return false;
            if (type == "n" && !xref.offsets.contains(n0 + k)) xref.offsets.insert(n0 + k, off.toLongLong());
        }
    }
}

} // namespace

const TDict::Entry *TDict::find(const QByteArray &key) const
{
    for (const Entry &e : entries)
        if (e.key == key) return &e;
    return nullptr;
}

QByteArray TDict::value(const QByteArray &key) const
{
    const Entry *e = find(key);
    return e ? e->value : QByteArray();
}

void TDict::set(const QByteArray &key, const QByteArray &value)
{
    for (Entry &e : entries) {
        if (e.key == key) {
            e.value = value;
            return;
        }
    }
    entries.append({key, value, -1});
}

QByteArray TDict::Serialized() const
{
    QByteArray out = "<<\n";
    for (const Entry &e : entries)
        out += e.key + ' ' + e.value + '\n';
    return out + ">>";
}

qsizetype SkipValue(const QByteArray &data, qsizetype pos, qsizetype *start)
{
    return skipValue(data, pos, start, 0);
}

bool ParseDict(const QByteArray &data, qsizetype pos, TDict &dict, qsizetype *end)
{
    dict.entries.clear();
    qsizetype i = skipBlanks(data, pos);
    if (data.mid(i, 2) != "<<") return false;
    i += 2;
    for (;;) {
        i = skipBlanks(data, i);
        if (i >= data.size()) return false;
        if (data.mid(i, 2) == ">>") {
            if (end) *end = i + 2;
            return true;
        }
        qsizetype keyStart = 0;
        const qsizetype keyEnd = SkipValue(data, i, &keyStart);
        if (keyEnd < 0 || data[keyStart] != '/') return false;
        qsizetype valueStart = 0;
        qsizetype valueEnd = SkipValue(data, keyEnd, &valueStart);
        if (valueEnd < 0) return false;
        // "12 0 R" is one value in three tokens.
        if (isInteger(data.mid(valueStart, valueEnd - valueStart))) {
            qsizetype at = valueEnd;
            const QByteArray gen = token(data, at);
            qsizetype afterR = at;
            if (isInteger(gen) && token(data, afterR) == "R") valueEnd = afterR;
        }
        dict.entries.append(
            {data.mid(keyStart, keyEnd - keyStart), data.mid(valueStart, valueEnd - valueStart), valueStart});
        i = valueEnd;
    }
}

int RefNumber(const QByteArray &value)
{
    const QList<QByteArray> parts = value.simplified().split(' ');
    if (parts.size() != 3 || !isInteger(parts[0]) || !isInteger(parts[1]) || parts[2] != "R") return -1;
    return parts[0].toInt();
}

QList<int> RefList(const QByteArray &array)
{
    const QByteArray a = array.trimmed();
    QList<int> refs;
    if (!a.startsWith('[') || !a.endsWith(']')) return refs;
    const QList<QByteArray> t = a.mid(1, a.size() - 2).simplified().split(' ');
    for (qsizetype k = 0; k + 2 < t.size(); ++k) {
        if (isInteger(t[k]) && isInteger(t[k + 1]) && t[k + 2] == "R") {
            refs << t[k].toInt();
            k += 2;
        }
    }
    return refs;
}

bool ReadXref(const QByteArray &pdf, TXref &xref, QString *error)
{
    xref = TXref{};
    const qsizetype at = pdf.lastIndexOf("startxref");
    qsizetype i = at + 9;
    const QByteArray start = at < 0 ? QByteArray() : token(pdf, i);
    bool ok = isInteger(start);
    qint64 offset = start.toLongLong();
    QSet<qint64> seen;
    while (ok && !seen.contains(offset) && seen.size() < MaxDepth) {
        seen.insert(offset);
        TDict trailer;
        ok = readSection(pdf, offset, xref, trailer);
        if (!ok) break;
        if (xref.start < 0) {
            xref.start = offset;
            xref.trailer = trailer;
        }
        const QByteArray prev = trailer.value("/Prev").trimmed();
        if (prev.isEmpty()) break;
        ok = isInteger(prev);
        offset = prev.toLongLong();
    }
    if (!ok && error)
        *error =
            QStringLiteral("Die PDF-Datei hat kein lesbares Objektverzeichnis (xref); sie ist beschädigt "
                           "oder nicht mit diesem Programm geschrieben.");
    return ok;
}

namespace {

// Index just past "n 0 obj" of object n; -1 when it is not there.
qsizetype objectStart(const QByteArray &pdf, const TXref &xref, int n)
{
    qsizetype i = xref.offsets.value(n, -1);
    if (i < 0 || i >= pdf.size()) return -1;
    if (token(pdf, i) != QByteArray::number(n) || !isInteger(token(pdf, i)) || token(pdf, i) != "obj")
        return -1;
    return i;
}

} // namespace

bool ReadObjectValue(const QByteArray &pdf, const TXref &xref, int n, QByteArray &value)
{
    const qsizetype i = objectStart(pdf, xref, n);
    qsizetype start = 0;
    const qsizetype end = i < 0 ? -1 : SkipValue(pdf, i, &start);
    if (end < 0) return false;
    value = pdf.mid(start, end - start);
    return true;
}

bool ReadObjectDict(const QByteArray &pdf, const TXref &xref, int n, TDict &dict)
{
    const qsizetype i = objectStart(pdf, xref, n);
    return i >= 0 && ParseDict(pdf, i, dict);
}

QByteArray TextString(const QString &text)
{
    bool plain = true;
    for (const QChar c : text)
        plain = plain && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (!plain) {
        QByteArray utf16 = "\xFE\xFF";
        for (const QChar c : text) {
            utf16 += char(c.unicode() >> 8);
            utf16 += char(c.unicode() & 0xFF);
        }
        return '<' + utf16.toHex().toUpper() + '>';
    }
    QByteArray out = "(";
    for (const QChar c : text) {
        if (c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('\\')) out += '\\';
        out += char(c.unicode());
    }
    return out + ')';
}

namespace {

QByteArray unescapeLiteral(const QByteArray &v)
{
    QByteArray out;
    for (qsizetype i = 1; i + 1 < v.size(); ++i) {
        if (v[i] != '\\') {
            out += v[i];
            continue;
        }
        const char c = (++i < v.size() - 1) ? v[i] : '\\';
        static const char from[] = "nrtbf", to[] = "\n\r\t\b\f";
        if (const char *p = std::strchr(from, c); p && c) {
            out += to[p - from];
        } else if (c >= '0' && c <= '7') {
            int code = 0;
            for (int k = 0; k < 3 && i < v.size() - 1 && v[i] >= '0' && v[i] <= '7'; ++k, ++i)
                code = code * 8 + (v[i] - '0');
            --i;
            out += char(code);
        } else if (c != '\n' && c != '\r') {
            out += c;
        }
    }
    return out;
}

} // namespace

QString DecodeTextString(const QByteArray &value)
{
    const QByteArray v = value.trimmed();
    QByteArray bytes;
    if (v.startsWith('(') && v.endsWith(')')) {
        bytes = unescapeLiteral(v);
    } else if (v.startsWith('<') && v.endsWith('>') && !v.startsWith("<<")) {
        bytes = QByteArray::fromHex(v.mid(1, v.size() - 2));
    } else {
        return {};
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16BE);
        return utf16(bytes.mid(2));
    }
    return QString::fromLatin1(bytes);
}

} // namespace pdf
