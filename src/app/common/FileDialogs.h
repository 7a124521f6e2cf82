#pragma once

#include <QFileIconProvider>

class QFileDialog;
class QWidget;

// Icons and type names from the name alone. The stock provider looks into a
// file to guess its type, and opening and closing the database file from a
// second descriptor ends SQLite's POSIX locks on it for the whole process.
class TPlainFileIconProvider : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo &info) const override;
    QString type(const QFileInfo &info) const override;
};

// Every file dialog of the program goes through here: the widget dialog with
// the provider above (a native dialog cannot take it and reads contents
// itself), no custom folder icons (they are read from files too).
void PrepareFileDialog(QFileDialog &dialog);

// The folder a dialog opens in when no file is named: the user's documents,
// never the folder the program or its database happens to be started from.
QString DefaultDialogFolder();

// The usual questions, each through PrepareFileDialog; empty when cancelled.
QString AskSaveFileName(QWidget *parent, const QString &title, const QString &fileName,
                        const QString &filter);
QString AskOpenFileName(QWidget *parent, const QString &title, const QString &filter);
QString AskFolder(QWidget *parent, const QString &title);
