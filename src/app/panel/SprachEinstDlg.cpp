#include "app/panel/SprachEinstDlg.h"

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
    LanguageList = new QListWidget(this);
    LanguageList->setObjectName(QStringLiteral("ListBox1"));
    label->setBuddy(LanguageList);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(LanguageList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    l->addWidget(label);
    l->addWidget(LanguageList, 1);
    l->addWidget(Buttons);
    resize(260, 280);
}

void TSprachEinstDlg::SetLanguages(const QStringList &codes, int current)
{
    LanguageList->clear();
    for (const QString &c : codes)
        LanguageList->addItem(LanguageEntryText(c));
    if (current >= 0 && current < LanguageList->count()) LanguageList->setCurrentRow(current);
}

QString TSprachEinstDlg::ChosenCode() const
{
    const QListWidgetItem *item = LanguageList->currentItem();
    return item ? item->text().left(2) : QString();
}
