#include "app/extras/ImportDlg.h"

#include "app/common/Prompt.h"
#include "core/IniFile.h"
#include "store/CsvImportMapping.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString actionText(TImportAction a, bool isTest)
{
    switch (a) {
    case TImportAction::New:
        return QStringLiteral("neu");
    case TImportAction::Matched:
        return isTest ? QStringLiteral("schon vorhanden") : QStringLiteral("vorhanden");
    case TImportAction::Conflict:
        return QStringLiteral("Konflikt");
    case TImportAction::None:
        break;
    }
    return QString();
}

} // namespace

TImportDlg::TImportDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ImportDlg"));
    setWindowTitle(QStringLiteral("CSV-Import"));
    resize(1180, 560);
    DateiText = new QLabel(this);
    DateiText->setObjectName(QStringLiteral("DateiText"));
    Zusammenfassung = new QLabel(this);
    Zusammenfassung->setObjectName(QStringLiteral("Zusammenfassung"));
    Zusammenfassung->setWordWrap(true);
    Vorschau = new QTableWidget(0, 8, this);
    Vorschau->setObjectName(QStringLiteral("Vorschau"));
    Vorschau->setHorizontalHeaderLabels({QStringLiteral("Zeile"), QStringLiteral("Kunde"),
                                         QStringLiteral("Prüfling"), QStringLiteral("Datum"),
                                         QStringLiteral("Kunde"), QStringLiteral("Prüfling"),
                                         QStringLiteral("Prüfung"), QStringLiteral("abgewiesen, weil")});
    Vorschau->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Vorschau->verticalHeader()->hide();
    Vorschau->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {50, 170, 170, 85, 75, 75, 110};
    for (int c = 0; c < 7; ++c)
        Vorschau->setColumnWidth(c, widths[c]);
    Zuordnung = new QTableWidget(0, 2, this);
    Zuordnung->setObjectName(QStringLiteral("Zuordnung"));
    Zuordnung->setHorizontalHeaderLabels({QStringLiteral("Spalte der Datei"), QStringLiteral("Feld")});
    Zuordnung->verticalHeader()->hide();
    Zuordnung->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Zuordnung->setColumnWidth(0, 130);
    Zuordnung->horizontalHeader()->setStretchLastSection(true);
    Zuordnung->setMinimumWidth(300);
    Zuordnung->setMaximumWidth(340);
    Fortschritt = new QProgressBar(this);
    Fortschritt->setObjectName(QStringLiteral("Fortschritt"));
    Fortschritt->setRange(0, 1000);
    Fortschritt->setTextVisible(false);
    Fortschritt->hide();
    BtnAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    BtnAbbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    BtnAbbrechen->hide();
    BtnEinlesen = new QPushButton(QStringLiteral("Einlesen"), this);
    BtnEinlesen->setObjectName(QStringLiteral("BtnEinlesen"));
    BtnEinlesen->setEnabled(false);
    BtnSchliessen = new QPushButton(QStringLiteral("Schließen"), this);
    BtnSchliessen->setObjectName(QStringLiteral("BtnSchliessen"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Fortschritt, 1);
    buttons->addWidget(BtnAbbrechen);
    buttons->addStretch();
    buttons->addWidget(BtnEinlesen);
    buttons->addWidget(BtnSchliessen);
    auto *tables = new QHBoxLayout;
    tables->addWidget(Zuordnung);
    tables->addWidget(Vorschau, 1);
    auto *v = new QVBoxLayout(this);
    v->addWidget(DateiText);
    v->addLayout(tables);
    v->addWidget(Zusammenfassung);
    v->addLayout(buttons);

    connect(BtnEinlesen, &QPushButton::clicked, this, [this] { ImportClick(); });
    connect(BtnAbbrechen, &QPushButton::clicked, this, [this] {
        m_cancelled = true;
        m_runner.Cancel();
    });
    connect(BtnSchliessen, &QPushButton::clicked, this, &QDialog::accept);
}

bool TImportDlg::LoadFile(const QString &fileName)
{
    if (m_runner.Running()) return false;
    m_file = fileName;
    m_ready = false;
    BtnEinlesen->setEnabled(false);
    Vorschau->setRowCount(0);
    Zuordnung->setRowCount(0);
    DateiText->setText(QStringLiteral("Datei: ") + QDir::toNativeSeparators(fileName));
    QString error;
    m_import.SetColumnMapping(ReadImportMapping(TIniFile::ProgramIniPath()));
    if (!m_import.ReadFile(fileName, &error)) {
        // A list with headers of its own: the columns can be chosen here.
        showMapping();
        Zusammenfassung->setText(error);
        Prompt().Warn(this, error, windowTitle());
        return false;
    }
    showMapping();
    // The preview is a dry run against the database as it is now.
    const bool ok = run(false, &error);
    showPlan();
    if (!ok && m_import.Summary().refused == 0) {
        Prompt().Warn(this, error, windowTitle());
        return false;
    }
    m_ready = ok;
    const TImportSummary &s = m_import.Summary();
    BtnEinlesen->setEnabled(ok && s.newCustomers + s.newDevices + s.newTests > 0);
    return true;
}

bool TImportDlg::MapColumn(const QString &fileColumn, const QString &field)
{
    if (!RememberImportMapping(TIniFile::ProgramIniPath(), fileColumn, field))
        Prompt().Warn(
            this,
            QStringLiteral("Die Zuordnung kann nicht in den Einstellungen gespeichert werden; sie gilt "
                           "nur für dieses Fenster."),
            windowTitle());
    // Read again with the new choice (and, when it was not saved, only with it).
    QHash<QString, QString> mapping = ReadImportMapping(TIniFile::ProgramIniPath());
    mapping.insert(fileColumn, field);
    m_import.SetColumnMapping(mapping);
    return LoadFile(m_file);
}

void TImportDlg::showMapping()
{
    const QStringList columns = m_import.FileColumns();
    const QStringList fields = m_import.ColumnFields();
    Zuordnung->setRowCount(int(columns.size()));
    for (int r = 0; r < columns.size(); ++r) {
        Zuordnung->setItem(r, 0, new QTableWidgetItem(columns[r]));
        auto *box = new QComboBox(Zuordnung);
        box->addItem(QStringLiteral("(nicht einlesen)"));
        box->addItems(ImportFieldNames());
        box->setCurrentIndex(fields[r].isEmpty() ? 0 : box->findText(fields[r]));
        connect(box, &QComboBox::activated, this, [this, box, column = columns[r]](int index) {
            // Chosen anew: the table is rebuilt after this slot returns.
            const QString field = index <= 0 ? QString() : box->itemText(index);
            QMetaObject::invokeMethod(
                this, [this, column, field] { MapColumn(column, field); }, Qt::QueuedConnection);
        });
        Zuordnung->setCellWidget(r, 1, box);
    }
}

bool TImportDlg::run(bool write, QString *error)
{
    Fortschritt->setValue(0);
    Fortschritt->show();
    // The run waits in an event loop: a second click would start the same import beside it.
    BtnEinlesen->setEnabled(false);
    BtnAbbrechen->show();
    BtnAbbrechen->setEnabled(true);
    BtnSchliessen->setEnabled(false);
    Zuordnung->setEnabled(false);
    m_cancelled = false;
    const bool ok = m_runner.Run(m_import, m_db, write, error, [this](qint64 done, qint64 total) {
        Fortschritt->setValue(int(done * 1000 / qMax<qint64>(total, 1)));
    });
    Fortschritt->hide();
    BtnAbbrechen->hide();
    BtnSchliessen->setEnabled(true);
    Zuordnung->setEnabled(true);
    // Closed while the run went on: the window goes once the caller is done with it.
    if (m_closeWhenDone)
        QMetaObject::invokeMethod(
            this, [this] { QDialog::reject(); }, Qt::QueuedConnection);
    return ok;
}

void TImportDlg::reject()
{
    // Closing while a run goes on cancels it; the window closes once it ended.
    if (m_runner.Running()) {
        m_cancelled = true;
        m_closeWhenDone = true;
        m_runner.Cancel();
        return;
    }
    QDialog::reject();
}

void TImportDlg::showPlan()
{
    const QList<TImportLine> &lines = m_import.Lines();
    Vorschau->setRowCount(int(lines.size()));
    const QBrush red(QColor(0xFF, 0xB4, 0xB4));
    for (int r = 0; r < lines.size(); ++r) {
        const TImportLine &l = lines[r];
        const QStringList cells{QString::number(l.line),
                                l.kunde,
                                l.pruefling,
                                l.datum,
                                actionText(l.customer, false),
                                actionText(l.device, false),
                                actionText(l.test, true),
                                l.error};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (!l.error.isEmpty()) item->setBackground(red);
            Vorschau->setItem(r, c, item);
        }
    }
    QString text = m_import.Summary().Text();
    if (m_import.Summary().linesCut)
        text += QStringLiteral("\nDie Vorschau zeigt nur einen Teil der Zeilen; die Zahlen zählen alle.");
    if (m_import.Summary().refused > 0)
        text += QStringLiteral("\nEine Datei mit abgewiesenen Zeilen wird nicht eingelesen: bitte die Zeilen "
                               "berichtigen und die Datei neu laden.");
    if (!m_import.IgnoredColumns().isEmpty())
        text += QStringLiteral("\nNicht eingelesene Spalten: ") +
                m_import.IgnoredColumns().join(QStringLiteral(", "));
    Zusammenfassung->setText(text);
}

bool TImportDlg::ImportClick()
{
    if (!m_ready || m_runner.Running()) return false;
    QString error;
    // Matched again inside the transaction: another workstation may have
    // stored something since the preview.
    const bool ok = run(true, &error);
    showPlan();
    BtnEinlesen->setEnabled(false);
    m_ready = false;
    if (!ok) {
        // The counts of a cancelled run describe nothing that was stored.
        if (m_cancelled) Zusammenfassung->setText(error);
        if (!m_closeWhenDone) Prompt().Warn(this, error, windowTitle());
        return false;
    }
    Prompt().Inform(this, QStringLiteral("Eingelesen. ") + m_import.Summary().Text(), windowTitle());
    return true;
}
