#pragma once

// "Gespeicherte Daten": customers, their devices and the devices' tests as
// three panes over TBrowserData, which holds every rule; this window only
// shows and forwards.

#include "protocols/Report.h"
#include "store/BrowserData.h"

#include <QDialog>

#include <array>
#include <functional>

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QVBoxLayout;
class TAuswListeDlg;
class TCheckDisp;
class TEtikettenDlg;
class TConfiguration;
class TLEDPaint;
class TProtDaten;
class TSearchHitModel;
class TTesterCommands;

// First, prior, next, last, insert, delete of one pane.
class TBrowseNavigator : public QWidget {
public:
    TBrowseNavigator(TBrowseSet *set, bool withInsert, QWidget *parent);
    QToolButton *First, *Prior, *Next, *Last, *Insert, *Delete;
    void UpdateButtons();

private:
    TBrowseSet *m_set;
};

// The widgets of one measurement row of the test pane.
struct TMeasRowWidgets {
    QLabel *caption = nullptr;
    QLabel *value = nullptr;
    QLabel *unit = nullptr;
    QLabel *limit = nullptr;
    TLEDPaint *led = nullptr;
};

// "12 Prüfungen in die Datei „…“ exportiert.": what a finished export wrote where.
QString ExportDoneMessage(const QString &file, int tests);

class TDatenanzeigeDlg : public QDialog {
    Q_OBJECT
public:
    explicit TDatenanzeigeDlg(QWidget *parent = nullptr, const QString &iniFile = QString());
    ~TDatenanzeigeDlg() override;

    // The main window's settings (aktCheckNumber, Preview, export, protocol
    // texts) and command set ("Messmod."); both may be unset in tests.
    void setConfiguration(TConfiguration *config) { m_config = config; }
    void setCommands(TTesterCommands *commands) { m_commands = commands; }
    void setDatabase(const QSqlDatabase &db) { m_db = db; }
    void setListDialog(TAuswListeDlg *dlg) { m_list = dlg; }
    void setInspectionForm(TProtDaten *form) { m_protDaten = form; }

    TBrowserData *Data() const { return m_data; }

    // The idle step: "Messmod." only while the serial link is open.
    void setMessmodEnabled(bool on);

    // Prints or previews a record: form 0 "Druck" (settings decide), 1
    // one-page 0751 preview, 2 three-page 0751 preview.
    void PrintProtocol(int form, const TWerteSatz &record);

    // Search field: jumps to the single hit, lists several and says how many.
    void Search(const QString &text);
    // Moves the window back onto its screen after it grew.
    void KeepOnScreen();

    // Button handlers (also what tests press).
    void KundenClick();
    void PrueflingeClick();
    void DruckClick();
    void ProtokollEinseitigClick();
    void ProtokollDreiseitigClick();
    void EinzelexpClick();
    void ExportClick();
    void MessmodClick();
    // "Etiketten...": labels of the current device or of all the customer's devices.
    void EtikettenClick();
    // The label choice: true to go on (tests replace it; by default the dialog).
    std::function<bool(TEtikettenDlg &choice)> ChooseLabels;

    // Widgets, named by their role; objectName is the field or caption.
    QLineEdit *SearchEdit;
    QListView *SearchHits;
    QLabel *SearchCount; // how many hits
    TSearchHitModel *SearchModel;
    QLabel *CustomerPos, *DevicePos, *TestPos;
    QLineEdit *KDstrName1, *KDstrName2, *KDstrName3, *KDstrStrasse, *KDstrLKZ, *KDstrPLZ, *KDstrOrt,
        *KDstrTelefon, *KDstrFax;
    QLineEdit *PLstrBezeichnung, *PLstrTyp, *PLstrFabrikationsnummer, *PLstrSeriennummer,
        *PLstrInventarnummer, *PLstrBarcode;
    QLineEdit *PIintMonate; // the device's own interval in months; empty: the settings'
    TBrowseNavigator *CustomerNavigator, *DeviceNavigator, *TestNavigator;
    QLabel *SerialText, *DatumText, *KlasseText, *IsolText, *SichtText, *GesamtText, *ProtText;
    TLEDPaint *Led0701, *Led0702, *Led0751, *LedAbgebrochen, *LedGrenzwFehler;
    TCheckDisp *ChkAutomatisch, *ChkManuGrenz, *ChkMitBeruehr;
    std::array<TMeasRowWidgets, 8> MeasRows;
    QPlainTextEdit *PRstrNotiz;
    QLineEdit *PRstrPruefer, *PRstrBewertender, *PRstrProtokollNr;
    QPushButton *BtnKunden, *BtnPrueflinge, *BtnProtokoll1, *BtnProtokoll3, *BtnMessmod, *BtnExport,
        *BtnEinzelexp, *BtnDruck, *BtnEtiketten, *BtnOK;
    QGroupBox *FunktPruefung;
    QRadioButton *FunktNicht, *FunktBestanden, *RbErstpruefung, *RbWiederholung;

signals:
    // The user asked for a protocol of this record (form as in PrintProtocol).
    // Whoever owns the dialog decides where it goes: the program prints it.
    void protocolRequested(int form, const TWerteSatz &record);
    // The labels the user chose, laid out; the program previews them.
    void labelsReady(const TReport &labels);

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QWidget *buildCustomerPane();
    QWidget *buildDevicePane();
    QWidget *buildTestPane();
    QLayout *buildTestHeader(QWidget *box);
    QLayout *buildTestSetup(QWidget *box);
    QLayout *buildMeasurementRows(QWidget *box);
    QLayout *buildTestFooter(QWidget *box);
    QWidget *buildButtonColumn();
    QGroupBox *buildFunktPruefung(QWidget *col);
    QWidget *buildSichtWied(QWidget *col);
    void buildActionButtons(QWidget *col, QVBoxLayout *v);
    QLineEdit *bindEdit(QLineEdit *edit, TBrowseSet *set, const QString &field, bool postOnLeave = true);
    void refreshCustomer();
    void refreshDevice();
    void refreshTest();
    // The device's own interval (DeviceIntervalField.cpp).
    void buildIntervalField(QGridLayout *g, QWidget *box, int row);
    void refreshInterval();
    void postInterval();
    void refreshEdits(TBrowseSet *set);
    void deleteRow(int level);
    void exportTo(bool single);
    void fail(const QString &text);

    QString m_iniFile;
    TConfiguration *m_config = nullptr;
    TTesterCommands *m_commands = nullptr;
    QSqlDatabase m_db;
    TAuswListeDlg *m_list = nullptr;
    TProtDaten *m_protDaten = nullptr;
    TBrowserData *m_data;
    QList<QPair<QLineEdit *, QString>> m_customerEdits, m_deviceEdits;
    QList<QPair<QLineEdit *, QString>> m_testEdits;
    bool m_filling = false;
    int m_intervalDevice = -1, m_intervalMonths = 0; // the device the field shows, and what is stored
    bool m_intervalTable = false;
};
