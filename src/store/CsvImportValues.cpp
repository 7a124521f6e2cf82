#include "store/CsvImportValues.h"

#include <QStringList>

#include <cmath>

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
        QString t = s;
        t.replace(u',', u'.');
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (!ok || d < 0) return std::nullopt;
        n = int(std::lround(d * scale));
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
