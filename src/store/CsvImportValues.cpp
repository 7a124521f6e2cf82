#include "store/CsvImportValues.h"

#include <QStringList>

#include <cmath>
#include <cstdio>
#include <limits>

QStringView ImportUserText(QStringView v)
{
    if (v.size() > 1 && v[0] == u'\'' && QStringView(u"=+-@\t\r").contains(v[1])) return v.mid(1);
    return v;
}

QString ImportKeyText(QStringView v)
{
    QString s;
    AppendImportKey(s, v);
    return s;
}

void AppendImportKey(QString &key, QStringView v)
{
    const qsizetype at = key.size();
    key += v.trimmed();
    for (qsizetype i = at; i < key.size(); ++i)
        if (key.at(i) == u'"') key[i] = u'\'';
}

bool SameImportKey(QStringView a, QStringView b)
{
    a = a.trimmed();
    b = b.trimmed();
    if (a.size() != b.size()) return false;
    const auto key = [](QChar c) { return c == u'"' ? QChar(u'\'') : c; };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (key(a[i]) != key(b[i])) return false;
    return true;
}

QString IsoDateTimeText(const QDateTime &dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(),
                                d.day(), t.hour(), t.minute(), t.second());
    return QString::fromLatin1(buf, n);
}

namespace {

// A decimal number (point or comma) times scale, rounded half up; nothing
// for anything else. By hand: QString::toDouble was most of the import's time.
std::optional<int> scaledDecimal(QStringView s, int scale)
{
    qint64 mantissa = 0;
    qint64 divisor = 1;
    bool point = false, digits = false;
    for (const QChar c : s) {
        if (c >= u'0' && c <= u'9') {
            if (mantissa > 100'000'000'000LL) return std::nullopt;
            mantissa = mantissa * 10 + (c.unicode() - u'0');
            if (point) divisor *= 10;
            digits = true;
        } else if ((c == u'.' || c == u',') && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
        if (divisor > 1'000'000'000LL) return std::nullopt;
    }
    if (!digits) return std::nullopt;
    const qint64 n = (mantissa * scale * 2 + divisor) / (2 * divisor);
    if (n > std::numeric_limits<int>::max()) return std::nullopt;
    return int(n);
}

} // namespace

std::optional<bool> ParseImportBool(QStringView v)
{
    const QStringView s = v.trimmed();
    // The export's own words first: comparing without case folds every character.
    if (s == u"ja") return true;
    if (s == u"nein") return false;
    const auto is = [s](QStringView word) { return s.compare(word, Qt::CaseInsensitive) == 0; };
    if (is(u"ja") || s == u"1" || is(u"true")) return true;
    if (is(u"nein") || s == u"0" || is(u"false")) return false;
    return std::nullopt;
}

std::optional<int> ParseImportInt(QStringView v)
{
    bool ok = false;
    const int n = v.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

std::optional<int> ParseImportMeasured(QStringView v, int scale, int over, int under,
                                       const std::function<QStringView(int)> &format)
{
    const QStringView s = v.trimmed();
    int n = -1;
    if (s.isEmpty() || s == u"---") {
        n = -1;
    } else if (s.startsWith(u'>')) {
        n = over;
    } else if (s.startsWith(u'<')) {
        n = under;
    } else {
        const auto scaled = scaledDecimal(s, scale);
        if (!scaled) return std::nullopt;
        n = *scaled;
    }
    if (format(n) != s && !(n == -1 && s.isEmpty())) return std::nullopt;
    return n;
}

std::optional<int> ParseImportDinVde(QStringView v)
{
    const QStringView s = v.trimmed();
    // A spreadsheet may have eaten the leading zero.
    if (s == u"0701" || s == u"701") return 0;
    if (s == u"0702" || s == u"702") return 1;
    if (s == u"0751" || s == u"751") return 2;
    return std::nullopt;
}

std::optional<int> ParseImportYesNoOther(QStringView v)
{
    const QStringView s = v.trimmed();
    if (s.compare(u"ja", Qt::CaseInsensitive) == 0) return 1;
    if (s.compare(u"nein", Qt::CaseInsensitive) == 0) return 0;
    if (s == u"---" || s.isEmpty()) return -1;
    return std::nullopt;
}

std::optional<int> ParseImportIsolDiff(QStringView v)
{
    const auto n = ParseImportInt(v);
    return n && *n >= 0 && *n <= 2 ? n : std::nullopt;
}
