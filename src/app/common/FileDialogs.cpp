#include "app/common/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

QIcon TPlainFileIconProvider::icon(const QFileInfo &info) const
{
    if (info.isRoot()) return QFileIconProvider::icon(Drive);
    if (info.isDir()) return QFileIconProvider::icon(Folder);
    return QFileIconProvider::icon(File);
}

QString TPlainFileIconProvider::type(const QFileInfo &info) const
{
    if (info.isRoot()) return QStringLiteral("Laufwerk");
    if (info.isDir()) return QStringLiteral("Ordner");
    const QString suffix = info.suffix();
    if (suffix.isEmpty()) return QStringLiteral("Datei");
    return suffix.toUpper() + QStringLiteral("-Datei");
}

void PrepareFileDialog(QFileDialog &dialog)
{
    // Lives as long as the process: a dialog's model may still ask it while going.
    static auto *const provider = new TPlainFileIconProvider;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons, true);
    dialog.setIconProvider(provider);
    if (dialog.directory() == QDir::current()) dialog.setDirectory(DefaultDialogFolder());
}

QString DefaultDialogFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!docs.isEmpty() && QDir(docs).exists()) return docs;
    return QDir::homePath();
}

namespace {

QString runDialog(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString AskSaveFileName(QWidget *parent, const QString &title, const QString &fileName, const QString &filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    PrepareFileDialog(dialog);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    return runDialog(dialog);
}

QString AskOpenFileName(QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    PrepareFileDialog(dialog);
    return runDialog(dialog);
}

QString AskFolder(QWidget *parent, const QString &title)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    PrepareFileDialog(dialog);
    return runDialog(dialog);
}
