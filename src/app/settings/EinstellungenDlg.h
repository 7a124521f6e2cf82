#pragma once

#include "store/SettingsValues.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TIntEdit;

// "Einstellungen": protocol address and footer lines, names, service
// interval, preview, export file choice and the export columns. Edits a
// TSettingsValues that the program's configuration hands in.
//
// Object names: Memo1 (address), Memo2 (footer), CheckBox1 (preview),
// Edit1 (tester), Edit2 (assessor), IntEdit1 (service interval),
// RadioGroup1 with RadioButton1/RadioButton2, Edit3 (export file),
// Button1 ("such"), OKBtn, CancelBtn, and one check box per export switch
// named "Export_" + its key.
class TEinstellungenDlg : public QDialog {
    Q_OBJECT
public:
    explicit TEinstellungenDlg(QWidget *parent = nullptr);

    // Fills the dialog, shows it modally and on OK stores into values.
    // Anything but OK leaves values as they were. True on OK.
    bool EditSettings(TSettingsValues &values);

    // The two halves of EditSettings (for callers that show the dialog themselves).
    void Fill(const TSettingsValues &values);
    void Store(TSettingsValues &values) const;

    // Range of the service interval in days; OK refuses anything else with a warning.
    static constexpr int kMinServiceInterv = 0;
    static constexpr int kMaxServiceInterv = 3650;

    QCheckBox *ExportCheckBox(TExportColumn c) const { return m_export[std::size_t(c)]; }
    QCheckBox *SichtprZeilenCheckBox() const { return m_sichtprZeilen; }

public slots:
    void accept() override;

private:
    void Button1Click();
    // The dialog's parts, built top left to bottom in tab order.
    QLayout *buildProtocolTexts();
    QLayout *buildNamesAndFile();
    QGroupBox *buildExportFile();
    QGroupBox *buildExportFields();

    QPlainTextEdit *m_contractorLines = nullptr;
    QPlainTextEdit *m_footerLines = nullptr;
    QCheckBox *m_preview = nullptr;
    QLineEdit *m_operator = nullptr;
    QLineEdit *m_assessor = nullptr;
    TIntEdit *m_interval = nullptr;
    QRadioButton *m_askAlways = nullptr;
    QRadioButton *m_fixedFile = nullptr;
    QLineEdit *m_fileName = nullptr;
    std::array<QCheckBox *, ecColumnCount> m_export{};
    QCheckBox *m_sichtprZeilen = nullptr;
};

// Runs the dialog once (parent for placement).
bool EditSettings(TSettingsValues &values, QWidget *parent = nullptr);
