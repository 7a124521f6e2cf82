#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// How the program asks the user: every message box and every file question
// of the UI side goes through the one TPrompt that Prompt() returns. The
// program uses TBoxPrompt (real boxes and file dialogs); a test installs a
// fake with TPromptScope and answers every dialog of every window in one
// place, instead of a hook per dialog or a timer hunting for modal widgets.
//
// One program-wide seam rather than a prompt handed to each dialog: the
// dialogs are made in many places (the main window, the tests, one another),
// and none of them has a say in how the user is asked, so their constructors
// stay as they are and a test replaces all of them with one line.
class TPrompt {
public:
    virtual ~TPrompt() = default;

    // A message with an OK button; the icon says how serious it is.
    virtual void Tell(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &title) = 0;
    // A yes/no question; true for yes. defaultYes decides what Return answers.
    virtual bool Ask(QWidget *parent, QMessageBox::Icon icon, const QString &question, bool defaultYes,
                     const QString &title) = 0;
    // File questions; each returns an empty text when the user cancels.
    virtual QString OpenFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    virtual QString SaveFileName(QWidget *parent, const QString &title, const QString &fileName,
                                 const QString &filter) = 0;
    virtual QString Folder(QWidget *parent, const QString &title) = 0;
    // The export file, titled "Exportdatei": CSV or XLSX by the chosen type,
    // starting at fileName; the writer, not the dialog, asks before replacing.
    virtual QString ExportFileName(QWidget *parent, const QString &fileName) = 0;

    // The usual forms, with the program's caption unless another is given.
    static QString Caption() { return QStringLiteral("Gerätetester"); }
    void Inform(QWidget *parent, const QString &text, const QString &title = Caption())
    {
        Tell(parent, QMessageBox::Information, text, title);
    }
    void Warn(QWidget *parent, const QString &text, const QString &title = Caption())
    {
        Tell(parent, QMessageBox::Warning, text, title);
    }
    void Error(QWidget *parent, const QString &text, const QString &title = Caption())
    {
        Tell(parent, QMessageBox::Critical, text, title);
    }
    bool AskYesNo(QWidget *parent, const QString &question, bool defaultYes,
                  QMessageBox::Icon icon = QMessageBox::Question)
    {
        return Ask(parent, icon, question, defaultYes, Caption());
    }
};

// The real thing: modal message boxes and the program's file dialogs.
class TBoxPrompt : public TPrompt {
public:
    void Tell(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &title) override;
    bool Ask(QWidget *parent, QMessageBox::Icon icon, const QString &question, bool defaultYes,
             const QString &title) override;
    QString OpenFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString SaveFileName(QWidget *parent, const QString &title, const QString &fileName,
                         const QString &filter) override;
    QString Folder(QWidget *parent, const QString &title) override;
    QString ExportFileName(QWidget *parent, const QString &fileName) override;
};

// The prompt in use: the installed one, else a TBoxPrompt.
TPrompt &Prompt();

// Installs a prompt for its own lifetime and restores the one before.
class TPromptScope {
public:
    explicit TPromptScope(TPrompt *prompt);
    ~TPromptScope();
    TPromptScope(const TPromptScope &) = delete;
    TPromptScope &operator=(const TPromptScope &) = delete;

private:
    TPrompt *m_before;
};
