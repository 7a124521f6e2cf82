#pragma once

// The three borderless stay-on-top windows the tester's state brings up over
// everything: mains voltage ahead, the visual-inspection question and the
// store question. They show without taking the focus from the main window.

#include <QWidget>

class QLabel;

class TWarnWindow : public QWidget {
public:
    static constexpr int DesignWidth = 480;
    static constexpr int DesignHeight = 97;

    TWarnWindow(const QString &name, const QString &text, QWidget *parent = nullptr);
    QString Text() const;
    // Shows or hides, centred on the screen when it comes up.
    void setShown(bool on);

protected:
    QLabel *m_picture;
    QLabel *m_text;
};

class TNetzspgWarnWin : public TWarnWindow {
public:
    explicit TNetzspgWarnWin(QWidget *parent = nullptr);
};

class TSichtpruefungWin : public TWarnWindow {
public:
    explicit TSichtpruefungWin(QWidget *parent = nullptr);
    QLabel *AnswerLabel; // "nein" or "ja"
    void setAnswer(const QString &answer);
};

class TSpeicherungWin : public TWarnWindow {
public:
    explicit TSpeicherungWin(QWidget *parent = nullptr);
};
