#include "app/settings/EinstellungenDlg.h"

#include "app/common/ExportFileChooser.h"
#include "app/common/Prompt.h"
#include "controls/Edits.h"
#include "controls/NumberText.h"
#include "store/ColumnWidths.h"
#include "store/CsvExport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// The check boxes in the dialog's five columns; -1 = "SichtprZeilen".
// "Bewertender" has none: its switch keeps the value from the file.
const int kColumns[5][12] = {
    {ecKundenNr, ecPrueflingNr, ecPruefungsNr, ecName1, ecName2, ecName3, ecKdStr, ecKdLKZ, ecKdPLZ, ecKdOrt,
     ecTelefon, ecFax},
    {ecBezeichnung, ecTyp, ecInventarnummer, ecFabrikationsnummer, ecSeriennummer, ecBarcode, ecDatum,
     ecGTSeriennummer, ecGrenzwertflags, ecMenueflags, ecSchutzklasse, ecSichtpruefung},
    {ecMessablauf, ecSchutzleiterwid, ecIsolationswid, ecAbleitstrom, ecSchutzlStromL1N, ecSchutzlStromNL1,
     ecBeruehrungsstromL1N, ecBeruehrungsstromNL1, ecGrwSchutzleiterwid, ecGrwIsolationswid, ecGrwAbleitstrom,
     ecGrwSchutzleiterstrom},
    {ecGrwBeruehrungsstrom, ecGrwSchnellabschaltung, ecPruefungsergebnis, ecNotiz, ecPruefer,
     ecSchutzleiterwidLimit, ecIsolationswidLimit, ecAbleitstromLimit, ecSchutzlStromL1NLimit,
     ecSchutzlStromNL1Limit, ecBeruehrungsstromL1NLimit, ecBeruehrungsstromNL1Limit},
    {ecSchnellabschaltung, ecAutomatisch, ecDINVDE, ecMitIsol, ecManuGrenz, ecMitBeruehr, ecAbgebrochen,
     ecEnables, -1, -2, -2, -2},
};

QPlainTextEdit *makeMemo(const char *name, QWidget *parent)
{
    auto *m = new QPlainTextEdit(parent);
    m->setObjectName(QLatin1String(name));
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    m->setTabChangesFocus(true);
    // Room for the five lines without scrolling (the scroll range is counted
    // in whole lines, so the margins need a little more than their pixels).
    const int h =
        m->fontMetrics().lineSpacing() * 7 + 2 * m->frameWidth() + 2 * int(m->document()->documentMargin());
    m->setFixedHeight(h);
    return m;
}

void setMemoLines(QPlainTextEdit *m, const std::array<QString, 5> &lines)
{
    QStringList l;
    for (const QString &s : lines)
        l << s;
    m->setPlainText(l.join(QLatin1Char('\n')));
}

void takeMemoLines(const QPlainTextEdit *m, std::array<QString, 5> &lines)
{
    const QStringList l = m->toPlainText().split(QLatin1Char('\n'));
    for (int i = 0; i < 5; ++i)
        lines[std::size_t(i)] = i < l.size() ? l[i] : QString();
}

} // namespace

TEinstellungenDlg::TEinstellungenDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EinstellungenDlg"));
    setWindowTitle(QStringLiteral("Einstellungen"));

    auto *top = new QGridLayout;
    top->setHorizontalSpacing(16);
    top->addLayout(buildProtocolTexts(), 0, 0);
    top->addLayout(buildNamesAndFile(), 0, 1);
    QGroupBox *exportBox = buildExportFields();

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(exportBox);
    main->addWidget(buttons);
}

// Left: protocol texts.
QLayout *TEinstellungenDlg::buildProtocolTexts()
{
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Anschrift für Prüfprotokoll"), this));
    m_contractorLines = makeMemo("Memo1", this);
    left->addWidget(m_contractorLines);
    left->addWidget(new QLabel(QStringLiteral("Zusatzzeilen für Prüfprotokoll (unten)"), this));
    m_footerLines = makeMemo("Memo2", this);
    left->addWidget(m_footerLines);
    left->addStretch(1);
    return left;
}

// Right: names, interval, preview, export file.
QLayout *TEinstellungenDlg::buildNamesAndFile()
{
    auto *right = new QGridLayout;
    int row = 0;
    right->addWidget(new QLabel(QStringLiteral("Prüfer:"), this), row, 0);
    m_operator = new QLineEdit(this);
    m_operator->setObjectName(QStringLiteral("Edit1"));
    // The names go into every fetched test: no longer than their columns.
    m_operator->setMaxLength(ColumnWidth(u"PRstrPruefer"));
    right->addWidget(m_operator, row++, 1, 1, 2);
    right->addWidget(new QLabel(QStringLiteral("Bewertender:"), this), row, 0);
    m_assessor = new QLineEdit(this);
    m_assessor->setObjectName(QStringLiteral("Edit2"));
    m_assessor->setMaxLength(ColumnWidth(u"PRstrBewertender"));
    right->addWidget(m_assessor, row++, 1, 1, 2);
    right->addWidget(new QLabel(QStringLiteral("Wartungsintervall:"), this), row, 0);
    m_interval = new TIntEdit(this);
    m_interval->setObjectName(QStringLiteral("IntEdit1"));
    m_interval->setFormatString(QStringLiteral("%d"));
    m_interval->setAlignment(taRightJustify);
    // No range on the edit itself: it would clamp a stored value silently.
    // OK checks the range and says so instead.
    m_interval->setMaximumWidth(80);
    right->addWidget(m_interval, row, 1);
    right->addWidget(new QLabel(QStringLiteral("Tage"), this), row++, 2);
    m_preview = new QCheckBox(QStringLiteral("Druckvorschau"), this);
    m_preview->setObjectName(QStringLiteral("CheckBox1"));
    right->addWidget(m_preview, row++, 0, 1, 3);
    right->addWidget(buildExportFile(), row++, 0, 1, 3);
    right->setRowStretch(row, 1);
    right->setColumnStretch(1, 1);
    return right;
}

QGroupBox *TEinstellungenDlg::buildExportFile()
{
    auto *group = new QGroupBox(QStringLiteral("Exportdatei"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    auto *gl = new QGridLayout(group);
    m_askAlways = new QRadioButton(QStringLiteral("immer fragen"), group);
    m_askAlways->setObjectName(QStringLiteral("RadioButton1"));
    m_fixedFile = new QRadioButton(QString(), group);
    m_fixedFile->setObjectName(QStringLiteral("RadioButton2"));
    auto *bg = new QButtonGroup(group);
    bg->addButton(m_askAlways, 0);
    bg->addButton(m_fixedFile, 1);
    m_fileName = new QLineEdit(group);
    m_fileName->setObjectName(QStringLiteral("Edit3"));
    m_fileName->setMinimumWidth(200);
    auto *such = new QPushButton(QStringLiteral("such"), group);
    such->setObjectName(QStringLiteral("Button1"));
    connect(such, &QPushButton::clicked, this, &TEinstellungenDlg::Button1Click);
    gl->addWidget(m_askAlways, 0, 0, 1, 3);
    gl->addWidget(m_fixedFile, 1, 0);
    gl->addWidget(m_fileName, 1, 1);
    gl->addWidget(such, 1, 2);
    gl->setColumnStretch(1, 1);
    return group;
}

// Bottom: the export columns in five columns.
QGroupBox *TEinstellungenDlg::buildExportFields()
{
    auto *exportBox = new QGroupBox(QStringLiteral("Exportfelder:"), this);
    auto *el = new QGridLayout(exportBox);
    el->setVerticalSpacing(2);
    el->setHorizontalSpacing(14);
    for (int c = 0; c < 5; ++c) {
        for (int r = 0; r < 12; ++r) {
            const int col = kColumns[c][r];
            if (col == -2) continue;
            QCheckBox *cb = nullptr;
            if (col == -1) {
                cb = new QCheckBox(QStringLiteral("SichtprZeilen"), exportBox);
                cb->setObjectName(QStringLiteral("Export_SichtprZeilen"));
                m_sichtprZeilen = cb;
            } else {
                const TExportColumnDef &d = kExportColumns[std::size_t(col)];
                cb = new QCheckBox(QString::fromUtf8(d.caption), exportBox);
                cb->setObjectName(QStringLiteral("Export_") + QLatin1String(d.key));
                m_export[std::size_t(col)] = cb;
            }
            el->addWidget(cb, r, c);
        }
    }
    return exportBox;
}

void TEinstellungenDlg::Fill(const TSettingsValues &v)
{
    setMemoLines(m_contractorLines, v.TopLine);
    setMemoLines(m_footerLines, v.BottomLine);
    m_operator->setText(v.Operator);
    m_assessor->setText(v.Assessor);
    m_interval->setValue(v.ServiceInterv);
    // The same value would leave a text typed before a Cancel standing.
    m_interval->setText(numtext::FormatInt(m_interval->FormatString(), v.ServiceInterv));
    m_preview->setChecked(v.Preview);
    m_fileName->setText(v.ExportFileName);
    (v.ExportFile == 1 ? m_fixedFile : m_askAlways)->setChecked(true);
    for (std::size_t i = 0; i < m_export.size(); ++i)
        if (m_export[i]) m_export[i]->setChecked(v.Export.Column[i]);
    m_sichtprZeilen->setChecked(v.Export.SichtprZeilen);
}

void TEinstellungenDlg::Store(TSettingsValues &v) const
{
    takeMemoLines(m_contractorLines, v.TopLine);
    takeMemoLines(m_footerLines, v.BottomLine);
    v.Operator = m_operator->text();
    v.Assessor = m_assessor->text();
    v.ServiceInterv = m_interval->Value();
    v.Preview = m_preview->isChecked();
    v.ExportFile = m_fixedFile->isChecked() ? 1 : 0;
    v.ExportFileName = m_fileName->text();
    // Without a name there is nothing to export to: ask every time.
    if (v.ExportFileName.isEmpty()) v.ExportFile = 0;
    for (std::size_t i = 0; i < m_export.size(); ++i)
        if (m_export[i]) v.Export.Column[i] = m_export[i]->isChecked();
    v.Export.SichtprZeilen = m_sichtprZeilen->isChecked();
}

void TEinstellungenDlg::accept()
{
    const qint32 days = m_interval->Value();
    // Still "edited" after reading: the text is no whole number.
    if (m_interval->Edited() || days < kMinServiceInterv || days > kMaxServiceInterv) {
        Prompt().Warn(this,
                      QStringLiteral("Das Wartungsintervall muss eine ganze Zahl von %1 bis %2 Tagen sein.")
                          .arg(kMinServiceInterv)
                          .arg(kMaxServiceInterv),
                      windowTitle());
        m_interval->setFocus(Qt::OtherFocusReason);
        m_interval->selectAll();
        return;
    }
    QDialog::accept();
}

bool TEinstellungenDlg::EditSettings(TSettingsValues &values)
{
    Fill(values);
    if (exec() != QDialog::Accepted) return false;
    Store(values);
    return true;
}

void TEinstellungenDlg::Button1Click()
{
    const QString name = ChooseExportFile(0, m_fileName->text(), this);
    if (!name.isEmpty()) m_fileName->setText(name);
}

bool EditSettings(TSettingsValues &values, QWidget *parent)
{
    TEinstellungenDlg dlg(parent);
    return dlg.EditSettings(values);
}
