#include "store/CsvImportValues.h"

#include <QStringList>

#include <cmath>
#include <cstdio>
#include <limits>

QString ImportUserText(const QString &v)
{
    if (v.size() > 1 && v[0] == u'\'' && QStringLiteral("=+-@\t\r").contains(v[1])) return v.mid(1);
    return v;
}

QString ImportKeyText(const QString &v)
{
    QString s = v.trimmed();
    s.replace(u'"', u'\'');
    return s;
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

std::optional<bool> ParseImportBool(const QString &v)
{
    const QString s = v.trimmed().toLower();
    if (s == u"ja" || s == u"1" || s == u"true") return true;
    if (s == u"nein" || s == u"0" || s == u"false") return false;
    return std::nullopt;
}

std::optional<int> ParseImportInt(const QString &v)
{
    bool ok = false;
    const int n = v.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

std::optional<int> ParseImportMeasured(const QString &v, int scale, int over, int under,
                                       const std::function<QString(int)> &format)
{
    const QString s = v.trimmed();
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
    if (format(n).trimmed() != s && !(n == -1 && s.isEmpty())) return std::nullopt;
    return n;
}

std::optional<int> ParseImportDinVde(const QString &v)
{
    const QString s = v.trimmed();
    // A spreadsheet may have eaten the leading zero.
    if (s == u"0701" || s == u"701") return 0;
    if (s == u"0702" || s == u"702") return 1;
    if (s == u"0751" || s == u"751") return 2;
    return std::nullopt;
}

std::optional<int> ParseImportYesNoOther(const QString &v)
{
    const QString s = v.trimmed().toLower();
    if (s == u"ja") return 1;
    if (s == u"nein") return 0;
    if (s == u"---" || s.isEmpty()) return -1;
    return std::nullopt;
}

std::optional<int> ParseImportIsolDiff(const QString &v)
{
    const auto n = ParseImportInt(v);
    return n && *n >= 0 && *n <= 2 ? n : std::nullopt;
}
