#pragma once

// "CSV-Import": the file's lines with what each will do (new, matched,
// refused and why) before anything is stored; "Einlesen" stores all of
// them in one go, and only when no line is refused. Which field each column
// of the file is can be chosen beside the preview (a customer's list has
// its own headers) and is remembered. Reading and storing run beside the
// event loop with a progress bar; "Abbrechen" stores nothing.

#include "store/CsvImport.h"
#include "store/CsvImportRunner.h"

#include <QDialog>
#include <QHash>
#include <QSqlDatabase>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

class TImportDlg : public QDialog {
public:
    explicit TImportDlg(QWidget *parent = nullptr);

    void setDatabase(const QSqlDatabase &db) { m_db = db; }

    // Reads the file and shows the preview (nothing is stored). False with
    // the reason shown when the file cannot be read.
    bool LoadFile(const QString &fileName);
    // Stores the previewed file; false with the reason shown.
    bool ImportClick();
    // The file's column `fileColumn` is read as `field` (an export header
    // name; empty: not read): remembered, and the preview is made again.
    bool MapColumn(const QString &fileColumn, const QString &field);

    QLabel *DateiText, *Zusammenfassung;
    QTableWidget *Zuordnung, *Vorschau;
    QProgressBar *Fortschritt;
    QPushButton *BtnEinlesen, *BtnAbbrechen, *BtnSchliessen;

protected:
    void reject() override;

private:
    bool run(bool write, QString *error);
    void showPlan();
    void showMapping();

    QSqlDatabase m_db;
    QString m_file;
    TCsvImport m_import;
    TImportRunner m_runner;
    bool m_ready = false;
    bool m_cancelled = false;     // "Abbrechen" or closing during the current run
    bool m_closeWhenDone = false; // closed during a run
};
