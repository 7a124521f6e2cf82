#include "app/browser/DatenanzeigeDlg.h"

#include <QHBoxLayout>
#include <QToolButton>

TBrowseNavigator::TBrowseNavigator(TBrowseSet *set, bool withInsert, QWidget *parent)
    : QWidget(parent), m_set(set)
{
    auto *l = new QHBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(1);
    auto make = [&](const char *name, const QString &text, const QString &hint) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(hint);
        b->setFixedSize(26, 22);
        l->addWidget(b);
        return b;
    };
    First = make("First", QStringLiteral("|◀"), QStringLiteral("Erster Datensatz"));
    Prior = make("Prior", QStringLiteral("◀"), QStringLiteral("Vorheriger Datensatz"));
    Next = make("Next", QStringLiteral("▶"), QStringLiteral("Nächster Datensatz"));
    Last = make("Last", QStringLiteral("▶|"), QStringLiteral("Letzter Datensatz"));
    Insert = make("Insert", QStringLiteral("+"), QStringLiteral("Datensatz einfügen"));
    Delete = make("Delete", QStringLiteral("−"), QStringLiteral("Datensatz löschen"));
    Insert->setVisible(withInsert);
    l->addStretch(1);
    connect(First, &QToolButton::clicked, this, [this] { m_set->First(); });
    connect(Prior, &QToolButton::clicked, this, [this] { m_set->Prior(); });
    connect(Next, &QToolButton::clicked, this, [this] { m_set->Next(); });
    connect(Last, &QToolButton::clicked, this, [this] { m_set->Last(); });
}

void TBrowseNavigator::UpdateButtons()
{
    const bool active = m_set->Active();
    const int n = m_set->RecNo(), count = m_set->RecordCount();
    const bool inserting = m_set->State() == dsInsert;
    First->setEnabled(active && (n > 1 || inserting));
    Prior->setEnabled(active && (n > 1 || inserting));
    Next->setEnabled(active && n < count && !inserting);
    Last->setEnabled(active && (n < count || inserting));
    Insert->setEnabled(active);
    Delete->setEnabled(active && (count > 0 || inserting));
}
