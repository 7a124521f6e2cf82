#include "app/extras/ImportDlg.h"

#include "app/common/Prompt.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
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
    resize(920, 520);
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
    BtnEinlesen = new QPushButton(QStringLiteral("Einlesen"), this);
    BtnEinlesen->setObjectName(QStringLiteral("BtnEinlesen"));
    BtnEinlesen->setEnabled(false);
    BtnSchliessen = new QPushButton(QStringLiteral("Schließen"), this);
    BtnSchliessen->setObjectName(QStringLiteral("BtnSchliessen"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnEinlesen);
    buttons->addWidget(BtnSchliessen);
    auto *v = new QVBoxLayout(this);
    v->addWidget(DateiText);
    v->addWidget(Vorschau);
    v->addWidget(Zusammenfassung);
    v->addLayout(buttons);

    connect(BtnEinlesen, &QPushButton::clicked, this, [this] { ImportClick(); });
    connect(BtnSchliessen, &QPushButton::clicked, this, &QDialog::accept);
}

bool TImportDlg::LoadFile(const QString &fileName)
{
    m_file = fileName;
    m_ready = false;
    BtnEinlesen->setEnabled(false);
    Vorschau->setRowCount(0);
    DateiText->setText(QStringLiteral("Datei: ") + QDir::toNativeSeparators(fileName));
    QString error;
    if (!m_import.ReadFile(fileName, &error)) {
        Zusammenfassung->setText(error);
        Prompt().Warn(this, error, windowTitle());
        return false;
    }
    // The preview is a dry run against the database as it is now.
    const bool ok = m_import.Run(m_db, false, &error);
    showPlan();
    if (!ok && m_import.Summary().refused == 0) {
        Prompt().Warn(this, error, windowTitle());
        return false;
    }
    m_ready = ok;
    BtnEinlesen->setEnabled(ok && m_import.Summary().newCustomers + m_import.Summary().newDevices +
                                          m_import.Summary().newTests >
                                      0);
    return true;
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
    if (!m_ready) return false;
    QString error;
    // Matched again inside the transaction: another workstation may have
    // stored something since the preview.
    const bool ok = m_import.Run(m_db, true, &error);
    showPlan();
    BtnEinlesen->setEnabled(false);
    m_ready = false;
    if (!ok) {
        Prompt().Warn(this, error, windowTitle());
        return false;
    }
    Prompt().Inform(this, QStringLiteral("Eingelesen. ") + m_import.Summary().Text(), windowTitle());
    return true;
}
