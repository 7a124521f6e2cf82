#include "store/XlsxExport.h"

#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/DatabaseFiles.h"
#include "store/DbErrors.h"
#include "store/DeviceInterval.h"
#include "store/TestRecord.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

#include <xlsxwriter.h>

#include <cstdio>
#include <functional>

namespace {

// A workbook with one sheet, written under a temporary name and put in
// place only when complete, so a failed export leaves the old file alone.
class TSheet {
public:
    TSheet(const QString &fileName, const char *sheetName) : m_target(fileName), m_part(fileName + ".part")
    {
        lxw_workbook_options opts{};
        opts.constant_memory = LXW_TRUE; // 200 000 rows stay out of memory
        m_book = workbook_new_opt(QFile::encodeName(m_part).constData(), &opts);
        if (!m_book) return;
        m_sheet = workbook_add_worksheet(m_book, sheetName);
        m_bold = workbook_add_format(m_book);
        format_set_bold(m_bold);
        m_text = workbook_add_format(m_book);
        format_set_num_format(m_text, "@");
        m_number = workbook_add_format(m_book);
        format_set_num_format(m_number, "0.00");
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "dd.mm.yyyy");
    }
    ~TSheet()
    {
        if (m_book) workbook_close(m_book); // only after a failure
        QFile::remove(m_part);
    }
    bool ok() const { return m_book && m_sheet; }

    void header(const QStringList &names)
    {
        m_cols = int(names.size());
        for (int c = 0; c < m_cols; ++c)
            check(worksheet_write_string(m_sheet, 0, lxw_col_t(c), names[c].toUtf8().constData(), m_bold));
        worksheet_freeze_panes(m_sheet, 1, 0);
        for (int c = 0; c < m_cols; ++c)
            worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c),
                                 double(std::max<qsizetype>(names[c].size(), 10) + 2), nullptr);
    }
    void text(int col, const QString &v)
    {
        if (v.isEmpty()) return;
        // A cell holds at most 32 767 characters.
        check(worksheet_write_string(m_sheet, m_row, lxw_col_t(col), v.left(32767).toUtf8().constData(),
                                     m_text));
    }
    void number(int col, double v, bool decimals)
    {
        check(worksheet_write_number(m_sheet, m_row, lxw_col_t(col), v, decimals ? m_number : nullptr));
    }
    void date(int col, const QDate &d)
    {
        if (!d.isValid() || d.year() < 1900) return;
        lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0};
        check(worksheet_write_datetime(m_sheet, m_row, lxw_col_t(col), &dt, m_date));
    }
    void nextRow() { ++m_row; }

    bool finish(QString *error)
    {
        if (m_cols > 0)
            worksheet_autofilter(m_sheet, 0, 0, lxw_row_t(std::max(0u, m_row - 1)), lxw_col_t(m_cols - 1));
        const lxw_error e = workbook_close(m_book);
        m_book = nullptr;
        if (e != LXW_NO_ERROR || m_failed) {
            if (error)
                *error = QStringLiteral("Fehler beim Schreiben der Datei „%1“: %2")
                             .arg(QDir::toNativeSeparators(m_target),
                                  QString::fromUtf8(lxw_strerror(e != LXW_NO_ERROR ? e : m_failed)));
            return false;
        }
        if (const QString why = DatabaseFileRefusal(m_target); !why.isEmpty()) {
            if (error) *error = why;
            return false;
        }
        // rename() replaces in one step: the old file is never gone before the new one is there.
        if (std::rename(QFile::encodeName(m_part).constData(), QFile::encodeName(m_target).constData()) !=
            0) {
            if (error) *error = CannotCreateFileMessage(m_target);
            return false;
        }
        return true;
    }

private:
    void check(lxw_error e)
    {
        if (e != LXW_NO_ERROR && m_failed == LXW_NO_ERROR) m_failed = e;
    }
    QString m_target;
    QString m_part;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_bold = nullptr, *m_text = nullptr, *m_number = nullptr, *m_date = nullptr;
    lxw_row_t m_row = 1;
    int m_cols = 0;
    lxw_error m_failed = LXW_NO_ERROR;
};

// A user's text unguarded: a spreadsheet cell of type text is never a formula.
const QString *userText(const TWerteSatz &w, int c)
{
    switch (TExportColumn(c)) {
    case ecName1:
        return &w.Name1;
    case ecName2:
        return &w.Name2;
    case ecName3:
        return &w.Name3;
    case ecKdStr:
        return &w.Strasse;
    case ecKdLKZ:
        return &w.LKZ;
    case ecKdPLZ:
        return &w.PLZ;
    case ecKdOrt:
        return &w.Ort;
    case ecTelefon:
        return &w.Telefon;
    case ecFax:
        return &w.Fax;
    case ecBezeichnung:
        return &w.Bezeichnung;
    case ecTyp:
        return &w.Typ;
    case ecInventarnummer:
        return &w.Inventarnummer;
    case ecFabrikationsnummer:
        return &w.Fabrikationsnummer;
    case ecSeriennummer:
        return &w.Seriennummer;
    case ecBarcode:
        return &w.Barcode;
    case ecGTSeriennummer:
        return &w.GTSeriennummer;
    case ecNotiz:
        return &w.Notiz;
    case ecPruefer:
        return &w.Pruefer;
    case ecBewertender:
        return &w.Bewertender;
    default:
        return nullptr;
    }
}

// Stored value and its divisor to the unit the export shows.
bool measured(const TWerteSatz &w, int c, int &v, double &div)
{
    switch (TExportColumn(c)) {
    case ecSchutzleiterwid:
        v = w.Schutzleiterwid;
        div = 1;
        return true;
    case ecGrwSchutzleiterwid:
        v = w.GrwSchutzleiterwid;
        div = 1;
        return true;
    case ecIsolationswid:
        v = w.Isolationswid;
        div = 1000;
        return true;
    case ecGrwIsolationswid:
        v = w.GrwIsolationswid;
        div = 1000;
        return true;
    case ecAbleitstrom:
        v = w.Ableitstrom;
        div = 100;
        return true;
    case ecGrwAbleitstrom:
        v = w.GrwAbleitstrom;
        div = 100;
        return true;
    case ecSchutzlStromL1N:
        v = w.SchutzlStromL1N;
        div = 100;
        return true;
    case ecSchutzlStromNL1:
        v = w.SchutzlStromNL1;
        div = 100;
        return true;
    case ecBeruehrungsstromL1N:
        v = w.BeruehrungsstromL1N;
        div = 100;
        return true;
    case ecBeruehrungsstromNL1:
        v = w.BeruehrungsstromNL1;
        div = 100;
        return true;
    case ecGrwSchutzleiterstrom:
        v = w.GrwSchutzleiterstrom;
        div = 100;
        return true;
    case ecGrwBeruehrungsstrom:
        v = w.GrwBeruehrungsstrom;
        div = 100;
        return true;
    case ecGrwSchnellabschaltung:
        v = w.GrwSchnellabschaltung;
        div = 100;
        return true;
    default:
        return false;
    }
}

bool isCount(int c)
{
    switch (TExportColumn(c)) {
    case ecKundenNr:
    case ecPrueflingNr:
    case ecPruefungsNr:
    case ecGrenzwertflags:
    case ecMenueflags:
    case ecSchutzklasse:
    case ecMessablauf:
    case ecMitIsol:
    case ecEnables:
        return true;
    default:
        return false;
    }
}

QStringList headerNames(const TWerteSatz &w, const TExportSwitches &sw)
{
    QStringList names;
    for (int c = 0; c < ecColumnCount; ++c)
        if (sw.Column[std::size_t(c)]) names << QString::fromLatin1(kExportColumns[std::size_t(c)].header);
    if (sw.SichtprZeilen)
        for (const TSichtPr &r : w.Sichtpr)
            names << QStringLiteral("SichtprZl%1").arg(r.ZeileNr, 2, 10, QLatin1Char('0'));
    return names;
}

// intervals: the devices' own test intervals, shown in a last column (the
// CSV export has none).
void writeRecord(TSheet &s, const TWerteSatz &w, const TExportSwitches &sw,
                 const QHash<int, int> *intervals = nullptr)
{
    int col = 0;
    for (int c = 0; c < ecColumnCount; ++c) {
        if (!sw.Column[std::size_t(c)]) continue;
        int v = 0;
        double div = 1;
        if (const QString *t = userText(w, c)) {
            s.text(col, *t);
        } else if (c == ecDatum) {
            s.date(col, w.Datum.date());
        } else if (measured(w, c, v, div)) {
            // Over-range and "not measured" keep the export's marks as text.
            const QString shown = ExportColumnText(w, TExportColumn(c)).trimmed();
            bool plain = false;
            QString(shown).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&plain);
            if (plain && v >= 0)
                s.number(col, v / div, true);
            else
                s.text(col, shown);
        } else if (isCount(c)) {
            s.number(col, ExportColumnText(w, TExportColumn(c)).toDouble(), false);
        } else {
            s.text(col, ExportColumnText(w, TExportColumn(c)));
        }
        ++col;
    }
    if (sw.SichtprZeilen)
        for (const TSichtPr &r : w.Sichtpr)
            s.text(col++, r.Bestanden == 1   ? QStringLiteral("ja")
                          : r.Bestanden == 0 ? QStringLiteral("nein")
                                             : QStringLiteral("---"));
    if (intervals)
        if (const int months = intervals->value(w.PrueflingNr, 0); months > 0) s.number(col, months, false);
    s.nextRow();
}

} // namespace

bool IsXlsxFileName(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

bool ExportAllTestsXlsx(QSqlDatabase db, const QString &fileName, const TExportSwitches &sw, QString *error,
                        int *count)
{
    if (count) *count = 0;
    TSheet s(fileName, "Prüfungen");
    if (!s.ok()) {
        if (error) *error = CannotCreateFileMessage(fileName);
        return false;
    }
    TExportSwitches noRows = sw;
    noRows.SichtprZeilen = false;
    QHash<int, int> intervals;
    if (!LoadDeviceIntervals(db, intervals, error)) return false;
    s.header(headerNames(TWerteSatz{}, noRows) << QStringLiteral("Prüfintervall"));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(FullExportQueryLines().join(QLatin1Char('\n')))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    TRecordColumns cols(q.record());
    cols.datumSpec = Qt::UTC;
    int n = 0;
    TWerteSatz w;
    while (q.next()) {
        FillRecordFromRow(w, q, cols);
        writeRecord(s, w, noRows, &intervals);
        ++n;
    }
    if (q.lastError().isValid()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (!s.finish(error)) return false;
    if (count) *count = n;
    return true;
}

bool ExportSingleTestXlsx(QSqlDatabase db, int pruefungsNr, const QString &fileName,
                          const TExportSwitches &sw, QString *error)
{
    TWerteSatz w;
    if (!LoadTestRecord(db, pruefungsNr, true, w, error)) return false;
    TSheet s(fileName, "Prüfung");
    if (!s.ok()) {
        if (error) *error = CannotCreateFileMessage(fileName);
        return false;
    }
    s.header(headerNames(w, sw));
    writeRecord(s, w, sw);
    return s.finish(error);
}

bool WriteDueXlsx(const QList<TDueEntry> &rows, const QString &fileName, QString *error)
{
    TSheet s(fileName, "Prüffristen");
    if (!s.ok()) {
        if (error) *error = CannotCreateFileMessage(fileName);
        return false;
    }
    s.header({QStringLiteral("Kunde"), QStringLiteral("Prüfling"), QStringLiteral("Inventarnummer"),
              QStringLiteral("Barcode"), QStringLiteral("letzte Prüfung"), QStringLiteral("nächste Prüfung"),
              QStringLiteral("Tage")});
    for (const TDueEntry &e : rows) {
        s.text(0, e.Kunde);
        s.text(1, e.Bezeichnung);
        s.text(2, e.Inventarnummer);
        s.text(3, e.Barcode);
        s.date(4, e.LastTest);
        if (e.Failed)
            s.text(5, NextDueText(e, {}));
        else
            s.date(5, e.NextDue);
        if (e.NextDue.isValid()) s.number(6, e.DaysLeft, false);
        s.nextRow();
    }
    return s.finish(error);
}
