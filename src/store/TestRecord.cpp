#include "store/TestRecord.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

struct IntCol {
    const char *col;
    int TWerteSatz::*field;
};
struct StrCol {
    const char *col;
    QString TWerteSatz::*field;
};
struct BoolCol {
    const char *col;
    bool TWerteSatz::*field;
};

// Columns of the customer, device and test that the record holds
// (not PLintKundenNr, PRintPrueflingNr, PRintGrwDifferenzstrom).
const IntCol kInts[] = {
    {"KDintKundenNr", &TWerteSatz::KundenNr},
    {"PLintPrueflingNr", &TWerteSatz::PrueflingNr},
    {"PRintPruefungsNr", &TWerteSatz::PruefungsNr},
    {"PRintGrenzwertflags", &TWerteSatz::Grenzwertflags},
    {"PRintMenueflags", &TWerteSatz::Menueflags},
    {"PRintSchutzklasseFlags", &TWerteSatz::SchutzklasseFlags},
    {"PRintMessablaufFlags", &TWerteSatz::MessablaufFlags},
    {"PRintSchutzleiterwid", &TWerteSatz::Schutzleiterwid},
    {"PRintIsolationswid", &TWerteSatz::Isolationswid},
    {"PRintAbleitstrom", &TWerteSatz::Ableitstrom},
    {"PRintSchutzlStromL1N", &TWerteSatz::SchutzlStromL1N},
    {"PRintSchutzlStromNL1", &TWerteSatz::SchutzlStromNL1},
    {"PRintBeruehrungsstromL1N", &TWerteSatz::BeruehrungsstromL1N},
    {"PRintBeruehrungsstromNL1", &TWerteSatz::BeruehrungsstromNL1},
    {"PRintGrwSchutzleiterwid", &TWerteSatz::GrwSchutzleiterwid},
    {"PRintGrwIsolationswid", &TWerteSatz::GrwIsolationswid},
    {"PRintGrwAbleitstrom", &TWerteSatz::GrwAbleitstrom},
    {"PRintGrwSchutzleiterstrom", &TWerteSatz::GrwSchutzleiterstrom},
    {"PRintGrwBeruehrungsstrom", &TWerteSatz::GrwBeruehrungsstrom},
    {"PRintGrwSchnellabschaltung", &TWerteSatz::GrwSchnellabschaltung},
    {"PRintSchutzklasse", &TWerteSatz::Schutzklasse},
    {"PRintDINVDE", &TWerteSatz::DINVDE},
    {"PRintIsolDiff", &TWerteSatz::IsolDiff},
    {"PRintSichtpruef", &TWerteSatz::Sichtpruef},
    {"PRintProtokolltyp", &TWerteSatz::Protokolltyp},
    {"PRintSichWied", &TWerteSatz::SichWied},
    {"PRintFunktPruefBest", &TWerteSatz::FunktPruefBest},
    {"PRintGesamtbew", &TWerteSatz::Gesamtbew},
};
const StrCol kStrings[] = {
    {"KDstrName1", &TWerteSatz::Name1},
    {"KDstrName2", &TWerteSatz::Name2},
    {"KDstrName3", &TWerteSatz::Name3},
    {"KDstrStrasse", &TWerteSatz::Strasse},
    {"KDstrLKZ", &TWerteSatz::LKZ},
    {"KDstrPLZ", &TWerteSatz::PLZ},
    {"KDstrOrt", &TWerteSatz::Ort},
    {"KDstrTelefon", &TWerteSatz::Telefon},
    {"KDstrFax", &TWerteSatz::Fax},
    {"PLstrBezeichnung", &TWerteSatz::Bezeichnung},
    {"PLstrTyp", &TWerteSatz::Typ},
    {"PLstrInventarnummer", &TWerteSatz::Inventarnummer},
    {"PLstrHersteller", &TWerteSatz::Hersteller},
    {"PLstrFabrikationsnummer", &TWerteSatz::Fabrikationsnummer},
    {"PLstrSeriennummer", &TWerteSatz::Seriennummer},
    {"PLstrBarcode", &TWerteSatz::Barcode},
    {"PRstrGTSeriennummer", &TWerteSatz::GTSeriennummer},
    {"PRstrNotiz", &TWerteSatz::Notiz},
    {"PRstrPruefer", &TWerteSatz::Pruefer},
    {"PRstrBewertender", &TWerteSatz::Bewertender},
    {"PRstrProtokollNr", &TWerteSatz::ProtokollNr},
};
const BoolCol kBools[] = {
    {"PRblnAutomatisch", &TWerteSatz::Automatisch},
    {"PRblnExternDiffStr", &TWerteSatz::ExternDiffStr},
    {"PRblnManuGrenz", &TWerteSatz::ManuGrenz},
    {"PRblnMitBeruehr", &TWerteSatz::MitBeruehr},
    {"PRblnAbgebrochen", &TWerteSatz::Abgebrochen},
    {"PRblnSchnellabbruch", &TWerteSatz::Schnellabbruch},
    {"PRblnManuellAbbruch", &TWerteSatz::ManuellAbbruch},
    {"PRblnGrenzwFehler", &TWerteSatz::GrenzwFehler},
    {"PRblnPruefungsergebnis", &TWerteSatz::Pruefungsergebnis},
};

static_assert(std::size(kInts) <= 64 && std::size(kStrings) <= 32 && std::size(kBools) <= 16);

// A row of Qt SQL values.
template <typename Get> class TVariantRow final : public TRowValues {
public:
    explicit TVariantRow(Get get) : m_get(get) {}
    int Int(int i) const override { return FieldInt(m_get(i)); }
    QString String(int i) const override { return FieldString(m_get(i)); }
    bool Bool(int i) const override { return FieldBool(m_get(i)); }
    QDateTime DateTime(int i, Qt::TimeSpec zone) const override { return FieldDateTime(m_get(i), zone); }

private:
    Get m_get;
};

} // namespace

TRecordColumns::TRecordColumns(const QSqlRecord &rec)
    : TRecordColumns([&rec] {
          QStringList names;
          for (int i = 0; i < rec.count(); ++i)
              names << rec.fieldName(i);
          return names;
      }())
{
}

TRecordColumns::TRecordColumns(const QStringList &names)
{
    // The first column of a name, as QSqlRecord::indexOf finds it.
    auto indexOf = [&names](const char *col) {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(QLatin1String(col), Qt::CaseInsensitive) == 0) return i;
        return -1;
    };
    ints.fill(-1);
    strings.fill(-1);
    bools.fill(-1);
    for (std::size_t i = 0; i < std::size(kInts); ++i)
        ints[i] = indexOf(kInts[i].col);
    for (std::size_t i = 0; i < std::size(kStrings); ++i)
        strings[i] = indexOf(kStrings[i].col);
    for (std::size_t i = 0; i < std::size(kBools); ++i)
        bools[i] = indexOf(kBools[i].col);
    datum = indexOf("PRdtmUebernahme");
}

void FillRecordFromValues(TWerteSatz &w, const TRowValues &row, const TRecordColumns &cols)
{
    w = TWerteSatz{};
    for (std::size_t i = 0; i < std::size(kInts); ++i)
        if (cols.ints[i] >= 0) w.*(kInts[i].field) = row.Int(cols.ints[i]);
    for (std::size_t i = 0; i < std::size(kStrings); ++i)
        if (cols.strings[i] >= 0) w.*(kStrings[i].field) = row.String(cols.strings[i]);
    for (std::size_t i = 0; i < std::size(kBools); ++i)
        if (cols.bools[i] >= 0) w.*(kBools[i].field) = row.Bool(cols.bools[i]);
    if (cols.datum >= 0) w.Datum = row.DateTime(cols.datum, cols.datumSpec);
    DeriveFields(w, false);
    ComputeDeviceOk(w);
}

void FillRecordFromRow(TWerteSatz &w, const QSqlQuery &q, const TRecordColumns &cols)
{
    FillRecordFromValues(w, TVariantRow([&q](int i) { return q.value(i); }), cols);
}

void FillRecordFromRecord(TWerteSatz &w, const QSqlRecord &rec)
{
    FillRecordFromValues(w, TVariantRow([&rec](int i) { return rec.value(i); }), TRecordColumns(rec));
}

bool LoadSichtprRows(QSqlDatabase db, int pruefungsNr, QList<TSichtPr> &rows, QString *error)
{
    rows.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QStringList lines = {
        QStringLiteral("SELECT     tblSichtpruefung.SIintZeileNr, tblSichtTeil.STstrPruefteil, "),
        QStringLiteral("  tblSichtTeil.STstrPruefung, tblSichtpruefung.SIintBestanden"),
        QStringLiteral("FROM         tblSichtpruefung INNER JOIN"),
        QStringLiteral("                      tblSichtTeil ON tblSichtpruefung.SIintPruefteil = "
                       "tblSichtTeil.STintPruefteil"),
        QStringLiteral("WHERE     (tblSichtpruefung.SIintPruefungsNr = %1)").arg(pruefungsNr),
        QStringLiteral("ORDER BY tblSichtpruefung.SIintZeileNr")};
    if (!q.exec(lines.join(QLatin1Char('\n')))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    while (q.next()) {
        TSichtPr r;
        r.ZeileNr = FieldInt(q.value(0));
        r.Pruefteil = FieldString(q.value(1));
        r.Pruefung = FieldString(q.value(2));
        r.Bestanden = q.value(3).isNull() ? -1 : FieldInt(q.value(3));
        rows.append(r);
    }
    return true;
}

bool LoadTestRecord(QSqlDatabase db, int pruefungsNr, bool withRows, TWerteSatz &w, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Outer joins: a test whose device or customer is gone still loads.
    const QStringList lines = {
        QStringLiteral("SELECT *"),
        QStringLiteral("FROM (tblPruefung"),
        QStringLiteral("  LEFT JOIN tblPruefling"),
        QStringLiteral("    ON tblPruefung.PRintPrueflingNr = tblPruefling.PLintPrueflingNr)"),
        QStringLiteral("  LEFT JOIN tblKunden"),
        QStringLiteral("    ON tblPruefling.PLintKundenNr = tblKunden.KDintKundenNr"),
        QStringLiteral("WHERE (tblPruefung.PRintPruefungsNr = %1)").arg(pruefungsNr)};
    if (!q.exec(lines.join(QLatin1Char('\n')))) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (!q.next()) {
        if (error) *error = QStringLiteral("Die Prüfung Nr. %1 gibt es nicht.").arg(pruefungsNr);
        return false;
    }
    FillRecordFromRow(w, q, TRecordColumns(q.record()));
    if (withRows) {
        if (!LoadSichtprRows(db, pruefungsNr, w.Sichtpr, error)) return false;
        // The 0751 verdict depends on the rows.
        ComputeDeviceOk(w);
    }
    return true;
}

void LookupTestOwner(QSqlDatabase db, int pruefungsNr, int &prueflingNr, int &kundenNr)
{
    prueflingNr = 0;
    kundenNr = 0;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QStringList lines = {
        QStringLiteral("SELECT tblPruefung.PRintPrueflingNr,"),
        QStringLiteral("  tblKunden.KDintKundenNr"),
        QStringLiteral("FROM (tblPruefung"),
        QStringLiteral("  INNER JOIN tblPruefling"),
        QStringLiteral("    ON tblPruefung.PRintPrueflingNr = tblPruefling.PLintPrueflingNr)"),
        QStringLiteral("  INNER JOIN tblKunden"),
        QStringLiteral("    ON tblPruefling.PLintKundenNr = tblKunden.KDintKundenNr"),
        QStringLiteral("WHERE (tblPruefung.PRintPruefungsNr = %1)").arg(pruefungsNr)};
    if (q.exec(lines.join(QLatin1Char('\n'))) && q.next()) {
        prueflingNr = FieldInt(q.value(0));
        kundenNr = FieldInt(q.value(1));
    }
}

QStringList FullExportQueryLines()
{
    return {QStringLiteral("SELECT *"),
            QStringLiteral("FROM (tblPruefung"),
            QStringLiteral("  INNER JOIN tblPruefling"),
            QStringLiteral("    ON tblPruefung.PRintPrueflingNr = tblPruefling.PLintPrueflingNr)"),
            QStringLiteral("  INNER JOIN tblKunden"),
            QStringLiteral("    ON tblPruefling.PLintKundenNr = tblKunden.KDintKundenNr")};
}
