#include "app/shell/AboutBox.h"

#include "app/common/Pictures.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("ProgramIcon"));
    logo->setPixmap(TPictures::Logo(QSize(120, 36)));
    auto *product = new QLabel(QStringLiteral("<b>Gerätetester</b>"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    auto *version = new QLabel(QStringLiteral("Version ") + QCoreApplication::applicationVersion(), this);
    version->setObjectName(QStringLiteral("Version"));
    auto *purpose = new QLabel(QStringLiteral("Auswertung und Dokumentation von Geräteprüfungen\n"
                                              "nach DIN VDE 0701, 0702 und 0751"),
                               this);
    auto *maker =
        new QLabel(QStringLiteral("Hersteller: Ihr Fachhändler für Prüftechnik\n"
                                  "Telefon und E-Mail: siehe Bedienungsanleitung des Gerätetesters"),
                   this);
    maker->setObjectName(QStringLiteral("Comments"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->addWidget(logo, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(product, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(purpose, 2, 0, 1, 2);
    grid->addWidget(maker, 3, 0, 1, 2);
    grid->addWidget(buttons, 4, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
