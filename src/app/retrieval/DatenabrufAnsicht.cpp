// How the retrieval window shows where things stand: a line of guidance
// above the list, rows without a device in their own colour, the result and
// the measured values beside the date, and a first size that shows them.

#include "app/retrieval/DatenabrufDlg.h"
#include "app/retrieval/DatenabrufHinweis.h"
#include "app/retrieval/DatenabrufSpalten.h"

#include "store/Database.h"

#include <QBoxLayout>
#include <QBrush>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>

using namespace staging_grid;

namespace {

const QColor kOffenFarbe(255, 240, 150);

// What the user needs first stands first: the result and the values beside
// the date; the tester's settings follow.
const QList<int> kVorn{cLfdNr,     cBarcode, cPruefling, cDatum, cErgebnis, cSchutzleiter,
                       cIsolation, cAbleit,  cSlL1N,     cSlNL1, cBeL1N,    cBeNL1};

// The widest text a column shows in normal work; the column is never narrower.
QString muster(int column)
{
    switch (column) {
    case cLfdNr:
        return QStringLiteral("9999");
    case cBarcode:
        return QStringLiteral("12345678901234");
    case cDatum:
        return QStringLiteral("88.88.8888 88:88:88");
    case cSerNr:
        return QStringLiteral("0612345678");
    case cIsol:
        return QStringLiteral("Isol. und Diff.");
    case cErgebnis:
        return QStringLiteral("nicht i.O.");
    case cSchutzleiter:
        return QStringLiteral("* >1000 mOhm");
    case cIsolation:
        return QStringLiteral("* >10.0 MOhm");
    case cAbleit:
    case cSlL1N:
    case cSlNL1:
    case cBeL1N:
    case cBeNL1:
        return QStringLiteral("* 88.88 mA");
    default:
        return QStringLiteral("nein");
    }
}

} // namespace

bool TStagingModel::Offen(int row) const
{
    return row >= 0 && row < rowCount() && FieldInt(value(row, QStringLiteral("UNintPrueflingNr"))) == 0;
}

QVariant TStagingModel::offenData(int row, int role) const
{
    if (!Offen(row)) return {};
    if (role == Qt::BackgroundRole) return QBrush(kOffenFarbe);
    if (role == Qt::ToolTipRole)
        return QStringLiteral(
            "Noch keinem Prüfling zugeordnet: „Prüfling“ wählen oder den Barcode eintragen.");
    return {};
}

void TDatenabrufDlg::setupHinweis(QBoxLayout *main)
{
    HinweisZeile = new QLabel(this);
    HinweisZeile->setObjectName(QStringLiteral("AbrufHinweis"));
    HinweisZeile->setWordWrap(true);
    main->insertWidget(0, HinweisZeile);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &TDatenabrufDlg::zeigeStand);
    connect(&m_logic, &TDatenabruf::fetchStarted, this, [this](int count) {
        HinweisZeile->setText(
            QStringLiteral("%1 werden gelesen; die Liste zeigt sie, sobald alle da sind. "
                           "„Abbrechen“ beendet den Abruf, der Gerätetester behält dann alle.")
                .arg(Anzahl(count, "Prüfung", "Prüfungen")));
    });
}

TAbrufStand TDatenabrufDlg::Stand() const
{
    TAbrufStand s;
    s.Verbunden = m_quelle.PortOpen && m_quelle.PortOpen();
    s.ImTester = m_imTester;
    s.Zeilen = m_model->rowCount();
    for (int row = 0; row < s.Zeilen; ++row) {
        if (m_model->Doppelt(row))
            ++s.Doppelt;
        else if (!m_model->Offen(row))
            ++s.Zugeordnet;
    }
    return s;
}

void TDatenabrufDlg::zeigeStand()
{
    HinweisZeile->setText(AbrufHinweis(Stand()));
}

void TDatenabrufDlg::zaehleImTester()
{
    if (m_counting || m_logic.Fetching() || !isVisible() || !(m_quelle.PortOpen && m_quelle.PortOpen()))
        return;
    m_logic.setCommands(m_quelle.Commands);
    // Nothing else may ask the tester while it answers.
    m_counting = true;
    updateButtons();
    int n = 0;
    m_imTester = m_logic.StoredCount(n) ? n : -1;
    m_counting = false;
    updateButtons();
}

void TDatenabrufDlg::arrangeColumns()
{
    QHeaderView *h = StagingGrid->horizontalHeader();
    for (int i = 0; i < kVorn.size(); ++i)
        h->moveSection(h->visualIndex(kVorn[i]), i);
    // Titles in two lines where they have two words, so the columns stay as narrow as their values.
    h->setDefaultAlignment(Qt::Alignment::fromInt(Qt::AlignCenter | Qt::TextWordWrap));
    h->setTextElideMode(Qt::ElideNone);
    h->setFixedHeight(2 * h->fontMetrics().height() + 8);
}

void TDatenabrufDlg::fitColumns()
{
    const QFontMetrics text = StagingGrid->fontMetrics();
    // Titles may be drawn bold (the current column's); the section has margins of its own.
    QFont bold = StagingGrid->horizontalHeader()->font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    const int titlePad = 2 * StagingGrid->style()->pixelMetric(QStyle::PM_HeaderMargin) + 4;
    const int pad = 14;
    // Public in the base: the widest cell of the rows shown.
    const QAbstractItemView *view = StagingGrid;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        int width = qMax(view->sizeHintForColumn(c), text.horizontalAdvance(muster(c)) + pad);
        const QString t = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        for (const QString &word : t.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            width = qMax(width, title.horizontalAdvance(word) + titlePad);
        StagingGrid->setColumnWidth(c, width);
    }
}

QSize TDatenabrufDlg::PreferredSize(const QRect &available) const
{
    int columns = 0;
    for (const int c : kVorn)
        columns += StagingGrid->columnWidth(c);
    const int frame = 2 * StagingGrid->frameWidth() + StagingGrid->verticalScrollBar()->sizeHint().width();
    const QMargins m = layout() ? layout()->contentsMargins() : QMargins(11, 11, 11, 11);
    const QSize want(columns + frame + m.left() + m.right() + 8, 600);
    const QSize most(available.width() - 20, available.height() - 60);
    return want.boundedTo(most).expandedTo(QSize(780, 420));
}

QRect TDatenabrufDlg::screenSpace() const
{
    const QWidget *anchor = parentWidget() ? parentWidget()->window() : this;
    const QScreen *s = anchor->screen();
    return s ? s->availableGeometry() : QRect(0, 0, 1280, 800);
}

void TDatenabrufDlg::showResult(const TAbrufBericht &b)
{
    if (b.Ergebnis == TAbrufErgebnis::Abgerufen) m_imTester = 0;
    if (b.Ergebnis != TAbrufErgebnis::Abgerufen && b.Ergebnis != TAbrufErgebnis::Unbestaetigt) return;
    const TAbrufStand s = Stand();
    HinweisZeile->setText(AbrufErgebnis(s.Zeilen - s.Doppelt, s.Zugeordnet));
}
