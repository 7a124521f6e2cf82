#include "core/FormatSettings.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

TFormatSettings g_settings;

QString applySeparators(const QString &pattern, const TFormatSettings &fs)
{
    // The stored patterns use "/" and ":" as placeholders for the separators.
    QString out;
    out.reserve(pattern.size());
    bool quoted = false;
    for (QChar c : pattern) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('/'))
            out += fs.DateSeparator;
        else if (!quoted && c == QLatin1Char(':'))
            out += fs.TimeSeparator;
        else
            out += c;
    }
    return out;
}

QString insertThousands(const QString &digits, QChar sep)
{
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += sep;
        out += digits[i];
    }
    return out;
}

} // namespace

void InitFormatSettings()
{
    TFormatSettings fs;
    const QLocale de(QLocale::German, QLocale::Germany);
    // Locale data only fills what is not fixed below; Qt's German data agrees
    // with the defaults, but a different Qt build must not change the separators.
    if (!de.decimalPoint().isEmpty()) fs.DecimalSeparator = de.decimalPoint().at(0);
    if (!de.groupSeparator().isEmpty()) fs.ThousandSeparator = de.groupSeparator().at(0);
    if (fs.ThousandSeparator == fs.DecimalSeparator) fs.ThousandSeparator = QLatin1Char('.');
    fs.DateSeparator = QLatin1Char('.');
    fs.TimeSeparator = QLatin1Char(':');
    fs.ListSeparator = QLatin1Char(';');
    g_settings = fs;
}

const TFormatSettings &FormatSettings()
{
    return g_settings;
}

void SetDecimalSeparator(QChar separator)
{
    g_settings.DecimalSeparator = separator;
}

QString FormatFixed(double value, int decimals)
{
    if (!std::isfinite(value)) return QString::number(value);
    QString s = QString::number(value, 'f', decimals);
    if (decimals > 0) s.replace(QLatin1Char('.'), g_settings.DecimalSeparator);
    return s;
}

QString FormatNumber(double value, int decimals)
{
    QString s = QString::number(value, 'f', decimals);
    if (!std::isfinite(value)) return s;
    QString sign;
    if (s.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        s.remove(0, 1);
    }
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    QString intPart = dot < 0 ? s : s.left(dot);
    QString frac = dot < 0 ? QString() : s.mid(dot + 1);
    QString out = sign + insertThousands(intPart, g_settings.ThousandSeparator);
    if (!frac.isEmpty()) out += g_settings.DecimalSeparator + frac;
    return out;
}

bool TryStrToFloat(const QString &text, double &value)
{
    QString t = text.trimmed();
    if (t.isEmpty()) return false;
    t.replace(g_settings.DecimalSeparator, QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

QString FormatDate(const QDate &d)
{
    // The usual pattern directly: the export writes one date per row.
    if (g_settings.ShortDateFormat == QLatin1String("dd/MM/yyyy") && d.isValid() && d.year() >= 1000 &&
        d.year() <= 9999) {
        const QChar sep = g_settings.DateSeparator;
        const int day = d.day(), month = d.month(), year = d.year();
        const QChar text[10] = {
            QChar(u'0' + day / 10),    QChar(u'0' + day % 10),        sep,
            QChar(u'0' + month / 10),  QChar(u'0' + month % 10),      sep,
            QChar(u'0' + year / 1000), QChar(u'0' + year / 100 % 10), QChar(u'0' + year / 10 % 10),
            QChar(u'0' + year % 10)};
        return QString(text, 10);
    }
    return d.toString(applySeparators(g_settings.ShortDateFormat, g_settings));
}

QString FormatTime(const QTime &t)
{
    return t.toString(applySeparators(g_settings.LongTimeFormat, g_settings));
}

QString FormatDateTime(const QDateTime &dt)
{
    // Always two digits per field and a four-digit year: this text goes into SQL.
    const QString fmt = QStringLiteral("dd") + g_settings.DateSeparator + QStringLiteral("MM") +
                        g_settings.DateSeparator + QStringLiteral("yyyy hh") + g_settings.TimeSeparator +
                        QStringLiteral("mm") + g_settings.TimeSeparator + QStringLiteral("ss");
    return dt.toString(fmt);
}

namespace {

// "yyyy-mm-dd hh:nn:ss" exactly, as SQLite hands stored moments back; the
// general patterns below cost a regular-expression match per row.
bool parseIsoFast(const QString &t, int &y, int &mo, int &d, int &h, int &mi, int &s)
{
    if (t.size() != 19 || t[4] != QLatin1Char('-') || t[7] != QLatin1Char('-') ||
        (t[10] != QLatin1Char(' ') && t[10] != QLatin1Char('T')) || t[13] != QLatin1Char(':') ||
        t[16] != QLatin1Char(':'))
        return false;
    auto num = [&t](int pos, int len, int &out) {
        int v = 0;
        for (int i = pos; i < pos + len; ++i) {
            const char16_t c = t[i].unicode();
            if (c < u'0' || c > u'9') return false;
            v = v * 10 + (c - u'0');
        }
        out = v;
        return true;
    };
    return num(0, 4, y) && num(5, 2, mo) && num(8, 2, d) && num(11, 2, h) && num(14, 2, mi) && num(17, 2, s);
}

} // namespace

QDateTime ParseDateTime(const QString &text, Qt::TimeSpec zone)
{
    static const QRegularExpression german(
        QStringLiteral(R"(^\s*(\d{1,2})\.(\d{1,2})\.(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})-(\d{2})-(\d{2})(?:[ T](\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,6}))?)?)?\s*$)"));
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    if (parseIsoFast(text, y, mo, d, h, mi, s)) {
        // done
    } else if (auto m = german.match(text); m.hasMatch()) {
        d = m.captured(1).toInt();
        mo = m.captured(2).toInt();
        y = m.captured(3).toInt();
        h = m.captured(4).toInt();
        mi = m.captured(5).toInt();
        s = m.captured(6).toInt();
    } else if (auto m2 = iso.match(text); m2.hasMatch()) {
        y = m2.captured(1).toInt();
        mo = m2.captured(2).toInt();
        d = m2.captured(3).toInt();
        h = m2.captured(4).toInt();
        mi = m2.captured(5).toInt();
        s = m2.captured(6).toInt();
        QString frac = m2.captured(7);
        if (!frac.isEmpty()) ms = (frac + QStringLiteral("00")).left(3).toInt();
    } else {
        return {};
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, s, ms);
    if (!date.isValid() || !time.isValid()) return {};
    return QDateTime(date, time, zone);
}
