#include "app/common/Prompt.h"

#include "app/common/ExportFileChooser.h"
#include "app/common/FileDialogs.h"

namespace {

TPrompt *g_prompt = nullptr;

} // namespace

void TBoxPrompt::Tell(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &title)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool TBoxPrompt::Ask(QWidget *parent, QMessageBox::Icon icon, const QString &question, bool defaultYes,
                     const QString &title)
{
    QMessageBox box(icon, title, question, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString TBoxPrompt::OpenFileName(QWidget *parent, const QString &title, const QString &filter)
{
    return AskOpenFileName(parent, title, filter);
}

QString TBoxPrompt::SaveFileName(QWidget *parent, const QString &title, const QString &fileName,
                                 const QString &filter)
{
    return AskSaveFileName(parent, title, fileName, filter);
}

QString TBoxPrompt::Folder(QWidget *parent, const QString &title)
{
    return AskFolder(parent, title);
}

QString TBoxPrompt::ExportFileName(QWidget *parent, const QString &fileName)
{
    return AskExportFileName(parent, fileName);
}

TPrompt &Prompt()
{
    static TBoxPrompt boxes;
    return g_prompt ? *g_prompt : boxes;
}

TPromptScope::TPromptScope(TPrompt *prompt) : m_before(g_prompt)
{
    g_prompt = prompt;
}

TPromptScope::~TPromptScope()
{
    g_prompt = m_before;
}
