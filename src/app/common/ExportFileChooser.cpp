#include "app/common/ExportFileChooser.h"

#include "app/common/FileDialogs.h"
#include "app/common/Prompt.h"

#include <QFileDialog>

QString ChooseExportFile(int exportFile, const QString &exportFileName, QWidget *parent)
{
    // A fixed choice without a name (a hand-edited file) asks instead of failing.
    if (exportFile == 1 && !exportFileName.trimmed().isEmpty()) return exportFileName;
    return Prompt().ExportFileName(parent, exportFileName);
}

QString AskExportFileName(QWidget *parent, const QString &exportFileName)
{
    QFileDialog dlg(parent, QStringLiteral("Exportdatei"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The type follows the name's ending: a spreadsheet keeps leading zeros only in .xlsx.
    const QString csv = QStringLiteral("CSV-Dateien (*.csv)");
    const QString xlsx = QStringLiteral("Excel-Arbeitsmappen (*.xlsx)");
    dlg.setNameFilters({csv, xlsx, QStringLiteral("alle Dateien (*)")});
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg, xlsx](const QString &filter) {
        dlg.setDefaultSuffix(filter == xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv"));
    });
    if (exportFileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        dlg.selectNameFilter(xlsx);
        dlg.setDefaultSuffix(QStringLiteral("xlsx"));
    }
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    PrepareFileDialog(dlg);
    dlg.setSizeGripEnabled(true);
    if (!exportFileName.isEmpty()) dlg.selectFile(exportFileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
    return dlg.selectedFiles().constFirst();
}
