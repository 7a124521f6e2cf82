#include "app/common/LabelSettings.h"

#include "core/IniFile.h"

namespace {

const QString sLabels = QStringLiteral("Labels");

double readMm(const TIniFile &ini, const QString &key, double fallback, double min, double max,
              QStringList &problems)
{
    const QString text = ini.ReadString(sLabels, key, QString()).trimmed();
    if (text.isEmpty()) return fallback;
    bool ok = false;
    const double v = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (ok && v >= min && v <= max) return v;
    problems << QStringLiteral("Der Wert „%1“ für „%2“ in der Konfigurationsdatei ist keine Zahl von %3 bis "
                               "%4 mm; es wird %5 mm verwendet.")
                    .arg(text, key)
                    .arg(min)
                    .arg(max)
                    .arg(fallback);
    return fallback;
}

} // namespace

TLabelPrintArea ReadLabelPrintArea(const TIniFile &ini, QStringList &problems)
{
    const TLabelPrintArea d;
    TLabelPrintArea a;
    a.OffsetXMm =
        readMm(ini, QStringLiteral("OffsetX"), d.OffsetXMm, -MaxLabelOffsetMm, MaxLabelOffsetMm, problems);
    a.OffsetYMm =
        readMm(ini, QStringLiteral("OffsetY"), d.OffsetYMm, -MaxLabelOffsetMm, MaxLabelOffsetMm, problems);
    a.SafeMarginMm =
        readMm(ini, QStringLiteral("SafeMargin"), d.SafeMarginMm, 0, MaxLabelSafeMarginMm, problems);
    return a;
}

void WriteLabelPrintArea(TIniFile &ini, const TLabelPrintArea &area)
{
    ini.WriteString(sLabels, QStringLiteral("OffsetX"), QString::number(area.OffsetXMm));
    ini.WriteString(sLabels, QStringLiteral("OffsetY"), QString::number(area.OffsetYMm));
    ini.WriteString(sLabels, QStringLiteral("SafeMargin"), QString::number(area.SafeMarginMm));
}
