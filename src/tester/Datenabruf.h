#pragma once

// Fetching the tester's stored tests into the staging table and transferring
// assigned staging rows into the tests table. No widgets: the retrieval
// dialog and the command line run the same code and follow its signals.

#include "store/StagingStore.h"
#include "tester/StoredRecord.h"

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

class TTesterCommands;

// How a fetch ended.
enum class TAbrufErgebnis {
    Nichts,              // no records, or the tester did not answer $70 "T": nothing changed
    Abgerufen,           // all records are in the staging table, the tester's memory is cleared
    Uebertragungsfehler, // a piece or an acknowledgement failed: nothing stored, the tester keeps all
    Datenbankfehler,     // the data layer refused: nothing stored, the tester keeps all
    Abgebrochen,         // the user stopped it: nothing stored, the tester keeps everything
    KeineAntwort,        // $33 unanswered: nothing known, nothing changed
    Unbestaetigt,        // all records are stored, but the tester never confirmed clearing them
};

struct TAbrufBericht {
    TAbrufErgebnis Ergebnis = TAbrufErgebnis::Nichts;
    int Anzahl = 0;      // records the tester reported
    int Gespeichert = 0; // rows in the staging table afterwards from this fetch
    int Doppelt = 0;     // of them marked as possibly stored already
    QString Fehlertext;  // data-layer text for Datenbankfehler
    // The message box text for the user; empty where the program stays silent.
    QString Meldung() const;
};

struct TUebertragBericht {
    int Uebertragen = 0;     // rows moved into the tests table
    int Fehlgeschlagen = 0;  // assigned rows that stay because a statement failed
    int NichtZugeordnet = 0; // rows without a device (or whose device is gone), left in the staging table
    int Vergeben = 0;        // rows another workstation transferred or deleted meanwhile
    bool Beendet = false;    // stopped early: the database cannot be reached (or the list not read)
    QList<int> FehlerZeilen; // running numbers of the failed rows
    int Doppelt = 0;         // rows marked as possibly stored already, left until the user decides
    QStringList Meldungen;   // one message per failed row
    // All failures in one message for the user; empty when nothing failed.
    QString Meldung() const;
};

class TDatenabruf : public QObject {
    Q_OBJECT
public:
    TDatenabruf(TTesterCommands *Commands, const QString &ConnectionName, QObject *parent = nullptr);

    static const QString MsgUebertragungsfehler;
    static const QString MsgKeineAntwort;
    static const QString MsgUnbestaetigt;
    // A note on records marked as possibly stored already; empty for none.
    static QString DoppeltText(int Doppelt);
    // Message of a data-layer failure; Uebertragen false for the fetch ("übernommen").
    static QString DatenbankfehlerText(const QString &Fehlertext, bool Uebertragen);

    QSqlDatabase Database() const;
    TTesterCommands *Commands() const { return m_commands; }
    void setCommands(TTesterCommands *Commands) { m_commands = Commands; }

    // Written into every fetched row.
    QString SerialNumber() const { return m_serialNumber; }
    void setSerialNumber(const QString &Nr) { m_serialNumber = Nr; }
    QString Operator() const { return m_operator; }
    void setOperator(const QString &Name) { m_operator = Name; }
    QString Assessor() const { return m_assessor; }
    void setAssessor(const QString &Name) { m_assessor = Name; }

    // ---- the fetch ------------------------------------------------------
    // Reads every stored record, stores them in one transaction and only
    // then tells the tester to clear; see TAbrufErgebnis.
    TAbrufBericht Fetch();
    bool Fetching() const { return m_fetching; }
    // Stops a running fetch after the record under way; nothing is stored.
    void Cancel();
    // How many tests the tester holds ($33), to tell the user before a fetch;
    // false when it does not answer, the port is closed or a fetch runs.
    bool StoredCount(int &Count);

    // ---- the transfer -------------------------------------------------------
    // Moves every assigned staging row into the tests table, one transaction per row.
    TUebertragBericht Transfer();

    // ---- queries ------------------------------------------------------------
    // Device whose barcode is exactly this text; 0 for none and for an empty barcode.
    int DeviceNrForBarcode(const QString &Barcode, bool *ok = nullptr) const;
    // The device a staging row belongs to before it is stored: a barcode
    // decides; a row without barcode keeps a device that has no barcode either
    // (chosen by hand), but loses one that it only had by a barcode since cleared.
    int DeviceNrForRow(const QString &Barcode, int CurrentNr) const;
    int StagingCount() const;
    // Brings every row's device in line with its barcode; returns the rows
    // changed, -1 with the reason when the database refused.
    int ReassignByBarcode(QString *Error = nullptr);

    // ---- editing the staging table ------------------------------------------
    // Stores the user's changes of one row, its device set by DeviceNrForRow
    // first (Row.PrueflingNr receives it). False with the data layer's text.
    bool PostRow(TStagingEdit &Row, QString *Error = nullptr);
    bool DeleteRow(int LfdNr, QString *Error = nullptr);
    // The rows the user sees, not whatever another workstation fetched meanwhile.
    bool DeleteShown(const QList<int> &LfdNrs, QString *Error = nullptr);

    // ---- SQL text -------------------------------------------------------------

signals:
    // The tester reported Count records; the fetch begins.
    void fetchStarted(int Count);
    // Record Index (1..Count) has been read and acknowledged; the records
    // are stored together once the last one is read.
    void recordRead(int Index, int Count, const QString &Barcode);
    void fetchFinished(const TAbrufBericht &Bericht);
    // One staging row went into the tests table.
    void rowTransferred(int LfdNr, int PruefungsNr);
    // One row's statement failed; the message is the user's text.
    void transferFailed(int LfdNr, const QString &Message);

private:
    TAbrufBericht fetchRecords();
    TAbrufBericht storeAndClear(TAbrufBericht Bericht, const QList<TSpeicherSatz> &Saetze);
    bool readRecord(TSpeicherSatz &Satz);
    bool acknowledge(const TSpeicherSatz &Satz, bool Last, TSpeicherSatz &Next, bool &HaveNext);
    bool readCount(int &Count);
    TAbrufBericht finish(TAbrufBericht Bericht);

    TTesterCommands *m_commands;
    QString m_connection;
    QString m_serialNumber;
    QString m_operator;
    QString m_assessor;
    bool m_fetching = false;
    bool m_cancel = false;
};
