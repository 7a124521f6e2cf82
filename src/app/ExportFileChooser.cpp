#include "app/ExportFileChooser.h"

#include <QFileDialog>

QString ChooseExportFile(int exportFile, const QString &exportFileName, QWidget *parent)
{
    // A fixed choice without a name (a hand-edited file) asks instead of failing.
    if (exportFile == 1 && !exportFileName.trimmed().isEmpty()) return exportFileName;
    QFileDialog dlg(parent, QStringLiteral("Exportdatei"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters({QStringLiteral("CSV-Dateien (*.csv)"), QStringLiteral("alle Dateien (*)")});
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    dlg.setSizeGripEnabled(true);
    if (!exportFileName.isEmpty()) dlg.selectFile(exportFileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
    return dlg.selectedFiles().constFirst();
}
