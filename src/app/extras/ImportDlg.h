#pragma once

// "CSV-Import": the file's lines with what each will do (new, matched,
// refused and why) before anything is stored; "Einlesen" stores all of
// them in one go, and only when no line is refused.

#include "store/CsvImport.h"

#include <QDialog>
#include <QSqlDatabase>

class QLabel;
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

    QLabel *DateiText, *Zusammenfassung;
    QTableWidget *Vorschau;
    QPushButton *BtnEinlesen, *BtnSchliessen;

private:
    void showPlan();

    QSqlDatabase m_db;
    QString m_file;
    TCsvImport m_import;
    bool m_ready = false;
};
