#pragma once

#include <QDialog>

// The information box: program name, version and where to get help.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget *parent = nullptr);
};
