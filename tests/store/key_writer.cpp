// A second workstation for the key tests: the test starts this program
// twice, so the writers are processes with connections of their own, as on
// two computers. It stores rows through the program's own callers.
//
//   key-writer CONNECTION MODE ROWS TAG
//   MODE: browser-customer | browser-device | customer | device | same-barcode | import | next-key
//         | transfer (moves every staging row, ROWS and TAG unused)
//         | delete-customer | delete-device (deletes the one whose key is ROWS, as the browser does)

#include "store/BrowserData.h"
#include "store/CsvImport.h"
#include "store/Database.h"
#include "store/EntryStore.h"
#include "store/StagingStore.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

QTextStream out(stdout);

int run(QSqlDatabase db, const QString &mode, int rows, const QString &tag)
{
    int failures = 0, stored = 0, duplicates = 0;
    auto note = [&](bool ok, const QString &error) {
        if (ok) {
            ++stored;
        } else if (++failures <= 3) {
            out << "FEHLER: " << error << '\n';
        }
    };
    TBrowserData browser;
    if (mode.startsWith(QLatin1String("browser-"))) {
        browser.setDatabase(db);
        QString error;
        if (!browser.Open(0, &error)) {
            out << "FEHLER: " << error << '\n';
            return 1;
        }
    }
    for (int i = 0; i < rows; ++i) {
        const QString name = QStringLiteral("%1-%2").arg(tag).arg(i);
        QString error;
        int key = 0;
        if (mode == QLatin1String("browser-customer")) {
            const bool ok = browser.InsertCustomer(&error) &&
                            browser.Customers->SetValue(QStringLiteral("KDstrName1"), name) &&
                            browser.Customers->Post(&error);
            if (!ok) browser.Customers->Cancel();
            note(ok, error);
        } else if (mode == QLatin1String("browser-device")) {
            const bool ok = browser.InsertDevice(&error) &&
                            browser.Devices->SetValue(QStringLiteral("PLstrBezeichnung"), name) &&
                            browser.Devices->Post(&error);
            if (!ok) browser.Devices->Cancel();
            note(ok, error);
        } else if (mode == QLatin1String("customer")) {
            TKundeEingabe k;
            k.Name1 = name;
            note(StoreNewCustomer(db, k, &key, &error) == TEntryResult::Stored, error);
        } else if (mode == QLatin1String("device") || mode == QLatin1String("same-barcode")) {
            TPrueflingEingabe p;
            p.KundenNr = 1;
            p.Bezeichnung = name;
            p.Barcode = mode == QLatin1String("device") ? name : QStringLiteral("B-%1").arg(i);
            const TEntryResult r = StoreNewDevice(db, p, &key, &error);
            if (r == TEntryResult::DuplicateBarcode)
                ++duplicates;
            else
                note(r == TEntryResult::Stored, error);
        }
    }
    out << "stored " << stored << " duplicate " << duplicates << " failed " << failures << '\n';
    return failures == 0 ? 0 : 1;
}

// Imports of ten lines each (a customer, a device and a test per line) until
// `rows` lines are in.
int import(QSqlDatabase db, int rows, const QString &tag)
{
    int failures = 0;
    for (int first = 0; first < rows; first += 10) {
        QByteArray file = "Name1;Bezeichnung;Barcode;Datum;Schutzklasse;DINVDE\r\n";
        for (int i = first; i < std::min(rows, first + 10); ++i)
            file += QStringLiteral("%1-%2;Gerät;%1-%2;01.02.2025;1;0701\r\n").arg(tag).arg(i).toUtf8();
        TCsvImport import;
        QString error;
        if (!import.ReadBytes(file, &error) || !import.Run(db, true, &error)) {
            if (++failures <= 3) out << "FEHLER: " << error << '\n';
        }
    }
    out << "failed " << failures << '\n';
    return failures == 0 ? 0 : 1;
}

// Announces itself, then asks for a key in a transaction of its own and
// stores a customer under it.
int nextKey(QSqlDatabase db)
{
    out << "asking" << Qt::endl;
    QString error;
    if (!db.transaction()) return 1;
    const int key = TakeNextKey(db, QStringLiteral("tblKunden"), QStringLiteral("KDintKundenNr"), &error);
    out << "key " << key << ' ' << error << Qt::endl;
    TKundeEingabe k;
    const bool ok =
        key > 0 && ExecLines(db, {QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1)"),
                                  QStringLiteral("VALUES (%1, 'B')").arg(key)});
    if (!ok || !db.commit()) {
        db.rollback();
        return 1;
    }
    return 0;
}

// Moves the staging rows one by one as the transfer does; says "started"
// once the list is read, so the test can act while rows are on their way.
int transfer(QSqlDatabase db)
{
    QList<int> assigned;
    int unassigned = 0;
    QString error;
    if (!StagingTransferCandidates(db, &assigned, &unassigned, &error)) {
        out << "FEHLER: " << error << '\n';
        return 1;
    }
    out << "started" << Qt::endl;
    int moved = 0, failures = 0;
    for (const int lfd : assigned) {
        const TTransferZeile z = TransferStagingRow(db, lfd);
        if (z.Schritt == TTransferSchritt::Uebertragen) ++moved;
        if (z.Schritt == TTransferSchritt::Fehler && ++failures <= 3)
            out << "FEHLER: " << z.Fehler.text() << '\n';
    }
    out << "moved " << moved << " failed " << failures << '\n';
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fputs("key-writer CONNECTION MODE [ROWS TAG]\n", stderr);
        return 2;
    }
    QString error;
    const QString conn = QStringLiteral("key_writer");
    if (!OpenConnection(ParseConnectionString(args[1]), conn, &error)) {
        out << "FEHLER: " << error << '\n';
        return 1;
    }
    QSqlDatabase db = QSqlDatabase::database(conn, false);
    const QString &mode = args[2];
    if (mode == QLatin1String("next-key")) return nextKey(db);
    if (mode == QLatin1String("import")) return import(db, args.value(3).toInt(), args.value(4));
    if (mode == QLatin1String("transfer")) return transfer(db);
    if (mode == QLatin1String("delete-customer") || mode == QLatin1String("delete-device")) {
        const int key = args.value(3).toInt();
        const bool ok = mode == QLatin1String("delete-customer")
                            ? DeleteCustomerCascade(db, key, true, &error)
                            : DeleteDeviceCascade(db, key, true, &error);
        if (!ok) out << "FEHLER: " << error << '\n';
        return ok ? 0 : 1;
    }
    return run(db, mode, args.value(3).toInt(), args.value(4));
}
