#include "app/browser/ProtDaten.h"

#include "store/BrowserData.h"
#include "store/TestRecord.h"
#include "store/Verdict.h"
#include "store/VisualInspection.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
const char *kTag = "tag";

// Grid columns of the rows: number, part, inspection text, the two boxes.
enum { kColNr, kColPart, kColText, kColOk, kColNotOk };

// Whole texts: a long part or inspection text wraps inside its column
// instead of being cut at a fixed width.
QLabel *label(QWidget *parent, const QString &text, Qt::Alignment a = Qt::AlignLeft)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(a | Qt::AlignTop);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    return l;
}

QLabel *heading(QWidget *parent, const QString &text)
{
    QLabel *l = label(parent, text);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}
} // namespace

TProtDaten::TProtDaten(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProtDaten"));
    setWindowTitle(QStringLiteral("Sichtprüfung"));
    setSizeGripEnabled(true);
    resize(760, 520);

    RowsArea = new QScrollArea(this);
    RowsArea->setObjectName(QStringLiteral("ScrollBox1"));
    RowsArea->setWidgetResizable(true);
    RowsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_content = new QWidget;
    auto *column = new QVBoxLayout(m_content);
    m_grid = new QGridLayout;
    column->addLayout(m_grid);
    column->addStretch(1); // few rows stay at the top
    m_grid->setHorizontalSpacing(12);
    m_grid->setVerticalSpacing(3);
    // The captions scroll with the rows, so they always stand over their column.
    m_grid->addWidget(heading(m_content, QStringLiteral("Zeile")), 0, kColNr);
    m_grid->addWidget(heading(m_content, QStringLiteral("Prüfteil")), 0, kColPart);
    m_grid->addWidget(heading(m_content, QStringLiteral("Prüfung")), 0, kColText);
    m_grid->addWidget(heading(m_content, QStringLiteral("Ergebnis")), 0, kColOk, 1, 2);
    m_grid->setColumnStretch(kColPart, 2);
    m_grid->setColumnStretch(kColText, 3);
    RowsArea->setWidget(m_content);

    CancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelButton->setObjectName(QStringLiteral("BitBtn2"));
    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("BitBtn1"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 6);
    l->addWidget(RowsArea, 1);
    auto *b = new QHBoxLayout;
    b->addStretch(1);
    b->addWidget(CancelButton);
    b->addWidget(OkButton);
    b->addSpacing(8);
    l->addLayout(b);
}

TProtDaten::~TProtDaten()
{
    ClearRows();
}

void TProtDaten::showEvent(QShowEvent *e)
{
    m_guard = false;
    QDialog::showEvent(e);
}

void TProtDaten::AddRow(int nr, const QString &pruefteil, const QString &pruefung, int result)
{
    if (nr <= 0) return;
    // Row n and the line under it take grid rows 2n-1 and 2n, whatever the order of adding.
    const int y = 2 * nr - 1;
    auto tagged = [](QWidget *w, int tag) {
        w->setProperty(kTag, tag);
        return w;
    };
    m_grid->addWidget(tagged(label(m_content, QString::number(nr), Qt::AlignRight), nr), y, kColNr);
    m_grid->addWidget(tagged(label(m_content, pruefteil), nr), y, kColPart);
    m_grid->addWidget(tagged(label(m_content, pruefung), nr), y, kColText);

    Row row;
    row.nr = nr;
    row.ok = new QCheckBox(QStringLiteral("OK"), m_content);
    row.ok->setObjectName(QStringLiteral("OK%1").arg(nr));
    row.notOk = new QCheckBox(QStringLiteral("nicht OK"), m_content);
    row.notOk->setObjectName(QStringLiteral("NotOK%1").arg(nr));
    m_grid->addWidget(tagged(row.ok, nr), y, kColOk, Qt::AlignTop);
    m_grid->addWidget(tagged(row.notOk, -nr), y, kColNotOk, Qt::AlignTop);
    row.ok->setChecked(result == 1);
    row.notOk->setChecked(result == 0);
    QCheckBox *ok = row.ok, *notOk = row.notOk;
    connect(ok, &QCheckBox::clicked, this, [this, ok] { boxClicked(ok); });
    connect(notOk, &QCheckBox::clicked, this, [this, notOk] { boxClicked(notOk); });

    auto *line = new QFrame(m_content);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_grid->addWidget(tagged(line, nr), y + 1, kColNr, 1, 5);

    m_rows.append(row);
}

const TProtDaten::Row *TProtDaten::findRow(int nr) const
{
    for (const Row &r : m_rows)
        if (r.nr == nr) return &r;
    return nullptr;
}

int TProtDaten::GetRowResult(int nr) const
{
    const Row *r = findRow(nr);
    if (!r) return -1;
    if (r->ok->isChecked()) return 1;
    if (r->notOk->isChecked()) return 0;
    return -1;
}

QCheckBox *TProtDaten::OkBox(int nr) const
{
    const Row *r = findRow(nr);
    return r ? r->ok : nullptr;
}

QCheckBox *TProtDaten::NotOkBox(int nr) const
{
    const Row *r = findRow(nr);
    return r ? r->notOk : nullptr;
}

void TProtDaten::boxClicked(QCheckBox *box)
{
    if (m_guard) return;
    m_guard = true;
    // The partner box carries the negated tag.
    const int tag = box->property(kTag).toInt();
    if (box->isChecked()) {
        for (QCheckBox *other : m_content->findChildren<QCheckBox *>())
            if (other->property(kTag).toInt() == -tag) other->setChecked(false);
    }
    m_guard = false;
}

void TProtDaten::ClearRows()
{
    for (QWidget *w : m_content->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w->property(kTag).toInt() != 0) delete w;
    m_rows.clear();
}

bool EditVisualInspection(TBrowserData &data, TProtDaten &form,
                          const std::function<void(const TWerteSatz &)> &preview, QString *error)
{
    TBrowseSet *tests = data.Tests;
    if (!tests->Active() || tests->CurrentKey() == 0) return false;
    if (!data.PostAll(error)) return false;
    const int n = tests->CurrentKey();
    const int v = tests->Int(QStringLiteral("PRintSichtpruef"));
    QSqlDatabase db = data.Database();
    data.Freeze();
    tests->DisableControls();
    bool accepted = false;
    bool ok = false;
    [&] {
        if (!EnsureInspectionRows(db, n, v, nullptr, error)) return;
        QList<TSichtPr> rows;
        if (!LoadSichtprRows(db, n, rows, error)) return;
        form.ClearRows();
        for (const TSichtPr &r : rows)
            form.AddRow(r.ZeileNr, r.Pruefteil, r.Pruefung, r.Bestanden);
        if (form.exec() != QDialog::Accepted) {
            ok = true;
            return;
        }
        accepted = true;
        QList<QPair<int, int>> results;
        for (const TSichtPr &r : rows)
            results.append({r.ZeileNr, form.GetRowResult(r.ZeileNr)});
        if (!ConfirmVisualInspection(db, n, rows, results, error)) return;
        TWerteSatz w;
        if (!LoadTestRecord(db, n, true, w, error)) return;
        ok = true;
        // The browser shows the new type and rows before the preview opens.
        tests->Refresh();
        tests->EnableControls();
        data.Thaw();
        form.ClearRows();
        if (preview) preview(w);
    }();
    if (!ok || !accepted) {
        tests->Refresh();
        tests->EnableControls();
        data.Thaw();
        form.ClearRows();
    }
    return ok && accepted;
}
