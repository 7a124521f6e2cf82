#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// The one record every number and date text of the program is formatted with
// (screen, reports, export files, SQL date texts, program-log time stamps).
// German conventions; the three separators below are fixed whatever the
// machine's locale says, so stored texts and SQL stay readable everywhere.
struct TFormatSettings {
    QChar DecimalSeparator = QLatin1Char(',');
    QChar ThousandSeparator = QLatin1Char('.');
    QChar DateSeparator = QLatin1Char('.');
    QChar TimeSeparator = QLatin1Char(':');
    QChar ListSeparator = QLatin1Char(';');
    // Patterns in QDate/QTime notation; "/" and ":" stand for the separators above.
    QString ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, d. MMMM yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:mm");
    QString LongTimeFormat = QStringLiteral("hh:mm:ss");
};

// Fills the record (German locale data, then the fixed separators). Called
// once at program start before anything is formatted; calling it again
// resets the record.
void InitFormatSettings();

// The program-wide record, read-only to its users: it changes only through
// InitFormatSettings() and SetDecimalSeparator(), so no formatter can alter
// what every other one writes by accident.
const TFormatSettings &FormatSettings();

// Another decimal separator for the numbers written from now on (the fixed
// texts keep theirs); InitFormatSettings() brings the German one back.
void SetDecimalSeparator(QChar separator);

// Fixed-point text with the program's decimal separator, like "%1.<decimals>f":
// FormatFixed(0.2, 2) -> "0,20". No thousands separator, minus sign for negatives.
QString FormatFixed(double value, int decimals);
// Same with thousands separators ("%n"): 12345.5, 1 -> "12.345,5".
QString FormatNumber(double value, int decimals);

// Reads a number written with either the program's decimal separator or a
// point (users type both); blanks around it are allowed. False if not a number.
bool TryStrToFloat(const QString &text, double &value);

// "dd.mm.yyyy"
QString FormatDate(const QDate &d);
// "hh:nn:ss"
QString FormatTime(const QTime &t);
// "dd.mm.yyyy hh:nn:ss" - also the text inside SQL date literals.
QString FormatDateTime(const QDateTime &dt);

// Reads "d.m.yyyy", "dd.mm.yyyy hh:nn[:ss]" and the ISO forms databases return
// ("yyyy-mm-dd[ T]hh:nn:ss[.zzz]"). Invalid QDateTime when none fits.
QDateTime ParseDateTime(const QString &text, Qt::TimeSpec zone = Qt::LocalTime);
