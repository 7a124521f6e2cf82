#pragma once

#include "app/common/Prompt.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace gt_app_test {

// The one stand-in for the user: while it lives, every message, question and
// file choice of every window comes here, is recorded and is answered from a
// script. Nothing modal is shown, so no test hunts for a box with a timer.
class TFakePrompt : public TPrompt {
public:
    enum class TKind { Tell, Ask, OpenFile, SaveFile, Folder, ExportFile };
    struct TCall {
        TKind kind;
        QMessageBox::Icon icon; // messages and questions
        QString title;
        QString text;            // message, question, or the file name offered
        bool defaultYes = false; // what Return would have answered
    };

    QList<TCall> calls;     // everything asked, in order
    QStringList texts;      // texts of messages and questions, in order
    QStringList messages;   // texts of messages only
    QStringList questions;  // texts of questions only
    QList<bool> answers;    // answers to the next questions, in order...
    bool answerYes = false; // ...and to every one after them
    QStringList files;      // answers to the next file questions; then cancelled
    // Runs while a call is open, as the user would look at the window then.
    std::function<void(const TCall &)> onCall;

    void Tell(QWidget *, QMessageBox::Icon icon, const QString &text, const QString &title) override
    {
        record({TKind::Tell, icon, title, text});
        messages << text;
    }
    bool Ask(QWidget *, QMessageBox::Icon icon, const QString &question, bool defaultYes,
             const QString &title) override
    {
        record({TKind::Ask, icon, title, question, defaultYes});
        questions << question;
        return answers.isEmpty() ? answerYes : answers.takeFirst();
    }
    QString OpenFileName(QWidget *, const QString &title, const QString &) override
    {
        return file({TKind::OpenFile, QMessageBox::NoIcon, title, QString()});
    }
    QString SaveFileName(QWidget *, const QString &title, const QString &fileName, const QString &) override
    {
        return file({TKind::SaveFile, QMessageBox::NoIcon, title, fileName});
    }
    QString Folder(QWidget *, const QString &title) override
    {
        return file({TKind::Folder, QMessageBox::NoIcon, title, QString()});
    }
    QString ExportFileName(QWidget *, const QString &fileName) override
    {
        return file({TKind::ExportFile, QMessageBox::NoIcon, QStringLiteral("Exportdatei"), fileName});
    }

    // Texts of the messages with this icon, in order.
    QStringList told(QMessageBox::Icon icon) const
    {
        QStringList out;
        for (const TCall &c : calls)
            if (c.kind == TKind::Tell && c.icon == icon) out << c.text;
        return out;
    }
    int count(TKind kind) const
    {
        int n = 0;
        for (const TCall &c : calls)
            n += c.kind == kind ? 1 : 0;
        return n;
    }

private:
    void record(const TCall &call)
    {
        calls << call;
        if (call.kind == TKind::Tell || call.kind == TKind::Ask) texts << call.text;
        if (onCall) onCall(call);
    }
    QString file(const TCall &call)
    {
        record(call);
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    TPromptScope m_scope{this};
};

} // namespace gt_app_test
