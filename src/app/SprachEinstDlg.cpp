#include "app/SprachEinstDlg.h"

#include "tester/MeasuringModes.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TSprachEinstDlg::TSprachEinstDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SprachEinstDlg"));
    setWindowTitle(QStringLiteral("Spracheinstellung"));
    auto *l = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Sprache:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    label->setBuddy(ListBox1);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    l->addWidget(label);
    l->addWidget(ListBox1, 1);
    l->addWidget(Buttons);
    resize(260, 280);
}

void TSprachEinstDlg::SetLanguages(const QStringList &codes, int current)
{
    ListBox1->clear();
    for (const QString &c : codes)
        ListBox1->addItem(LanguageEntryText(c));
    if (current >= 0 && current < ListBox1->count()) ListBox1->setCurrentRow(current);
}

QString TSprachEinstDlg::ChosenCode() const
{
    const QListWidgetItem *item = ListBox1->currentItem();
    return item ? item->text().left(2) : QString();
}
