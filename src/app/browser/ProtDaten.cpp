#include "app/browser/ProtDaten.h"

#include "store/BrowserData.h"
#include "store/TestRecord.h"
#include "store/Verdict.h"
#include "store/VisualInspection.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
const char *kTag = "tag";

QLabel *label(QWidget *parent, const QString &text, int x, int y, int w, Qt::Alignment a = Qt::AlignLeft)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 17);
    l->setAlignment(a | Qt::AlignVCenter);
    l->setTextFormat(Qt::PlainText);
    return l;
}
} // namespace

TProtDaten::TProtDaten(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ProtDaten"));
    setWindowTitle(QStringLiteral("Sichtprüfung"));
    resize(626, 454);

    auto *header = new QWidget(this);
    header->setFixedHeight(24);
    label(header, QStringLiteral("Zeile"), 16, 4, 40);
    label(header, QStringLiteral("Prüfteil"), 64, 4, 160);
    label(header, QStringLiteral("Prüfung"), 240, 4, 240);
    label(header, QStringLiteral("Ergebnis"), 520, 4, 80);

    RowsArea = new QScrollArea(this);
    RowsArea->setObjectName(QStringLiteral("ScrollBox1"));
    RowsArea->setWidgetResizable(false);
    RowsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_content = new QWidget;
    m_content->resize(600, 8);
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
    l->addWidget(header);
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
    const int y = 24 * nr - 16;
    const int areaWidth = qMax(600, RowsArea->viewport()->width());
    auto tagged = [](QWidget *w, int tag) {
        w->setProperty(kTag, tag);
        w->show();
        return w;
    };
    tagged(label(m_content, QString::number(nr), 8, y, 32, Qt::AlignRight), nr);
    QLabel *part = label(m_content, pruefteil, 64, y, 169);
    part->setToolTip(pruefteil);
    tagged(part, nr);
    QLabel *text = label(m_content, pruefung, 240, y, 249);
    text->setToolTip(pruefung);
    tagged(text, nr);

    Row row;
    row.nr = nr;
    row.ok = new QCheckBox(QStringLiteral("OK"), m_content);
    row.ok->setObjectName(QStringLiteral("OK%1").arg(nr));
    row.ok->setGeometry(496, y - 1, 37, 19);
    row.notOk = new QCheckBox(QStringLiteral("not OK"), m_content);
    row.notOk->setObjectName(QStringLiteral("NotOK%1").arg(nr));
    row.notOk->setGeometry(536, y - 1, 65, 19);
    tagged(row.ok, nr);
    tagged(row.notOk, -nr);
    row.ok->setChecked(result == 1);
    row.notOk->setChecked(result == 0);
    QCheckBox *ok = row.ok, *notOk = row.notOk;
    connect(ok, &QCheckBox::clicked, this, [this, ok] { boxClicked(ok); });
    connect(notOk, &QCheckBox::clicked, this, [this, notOk] { boxClicked(notOk); });

    auto *line = new QFrame(m_content);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, y + 18, areaWidth - 16, 2);
    tagged(line, nr);

    m_rows.append(row);
    m_content->resize(areaWidth - 4, qMax(m_content->height(), y + 24));
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
    m_content->resize(m_content->width(), 8);
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
