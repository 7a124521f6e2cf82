#pragma once

// "Sichtprüfung": the visual inspection of a test item by item, each row
// marked "OK" or "nicht OK" (at most one of the two).

#include "store/Globals.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QGridLayout;
class QPushButton;
class QScrollArea;
class TBrowserData;

class TProtDaten : public QDialog {
public:
    explicit TProtDaten(QWidget *parent = nullptr);
    ~TProtDaten() override;

    QScrollArea *RowsArea;
    QPushButton *OkButton;     // OK
    QPushButton *CancelButton; // Cancel

    // Does nothing for a row number <= 0. result 1 checks "OK", 0 "nicht OK".
    void AddRow(int zeileNr, const QString &pruefteil, const QString &pruefung, int result);
    // 1 "OK", 0 "nicht OK", -1 neither or no such row.
    int GetRowResult(int zeileNr) const;
    // Frees every row control.
    void ClearRows();

    int RowCount() const { return int(m_rows.size()); }
    QCheckBox *OkBox(int zeileNr) const;
    QCheckBox *NotOkBox(int zeileNr) const;

protected:
    void showEvent(QShowEvent *e) override;

private:
    struct Row {
        int nr = 0;
        QCheckBox *ok = nullptr;
        QCheckBox *notOk = nullptr;
    };
    const Row *findRow(int nr) const;
    void boxClicked(QCheckBox *box);

    QWidget *m_content;
    QGridLayout *m_grid;
    QList<Row> m_rows;
    bool m_guard = false;
};

// The three-page protocol of the browser's current test: rows made once from
// the catalogue, the dialog, and on OK protocol type 1, the changed marks and
// the protocol handed to preview. Cancel stores no marks. Returns true on OK;
// a database failure ends it with *error set (clean-up runs in every case).
bool EditVisualInspection(TBrowserData &data, TProtDaten &form,
                          const std::function<void(const TWerteSatz &)> &preview, QString *error = nullptr);
