#include "app/panel/WarnWindows.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStyle>

TWarnWindow::TWarnWindow(const QString &name, const QString &text, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool)
{
    setObjectName(name);
    // The operator is busy at the tester; the window must not steal the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(DesignWidth, DesignHeight);
    setAutoFillBackground(true);
    setStyleSheet(
        QStringLiteral("TWarnWindow, QWidget#%1 { background: #fff8d0; border: 2px solid #c00000; }")
            .arg(name));
    auto *l = new QHBoxLayout(this);
    l->setContentsMargins(14, 8, 14, 8);
    l->setSpacing(14);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    l->addWidget(m_picture);
    m_text = new QLabel(text, this);
    m_text->setObjectName(QStringLiteral("Label1"));
    m_text->setWordWrap(true);
    QFont f = m_text->font();
    f.setPointSizeF(f.pointSizeF() * 1.45);
    f.setBold(true);
    m_text->setFont(f);
    l->addWidget(m_text, 1);
}

QString TWarnWindow::Text() const
{
    return m_text->text();
}

void TWarnWindow::setShown(bool on)
{
    if (on == isVisible()) return;
    if (on) {
        if (QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen())
            move(s->availableGeometry().center() - rect().center());
        show();
        raise();
    } else {
        hide();
    }
}

TNetzspgWarnWin::TNetzspgWarnWin(QWidget *parent)
    : TWarnWindow(QStringLiteral("NetzspgWarnWin"),
                  QStringLiteral("ACHTUNG! Bei nächster Messung wird 230 V~ auf Prüfdose geschaltet"), parent)
{
}

TSichtpruefungWin::TSichtpruefungWin(QWidget *parent)
    : TWarnWindow(QStringLiteral("SichtpruefungWin"), QStringLiteral("Sichtprüfung bestanden:"), parent)
{
    m_picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(48, 48));
    m_text->setWordWrap(false);
    AnswerLabel = new QLabel(QStringLiteral("nein"), this);
    AnswerLabel->setObjectName(QStringLiteral("Label2"));
    AnswerLabel->setFont(m_text->font());
    AnswerLabel->setMinimumWidth(70);
    static_cast<QHBoxLayout *>(layout())->addWidget(AnswerLabel);
}

void TSichtpruefungWin::setAnswer(const QString &answer)
{
    AnswerLabel->setText(answer);
}

TSpeicherungWin::TSpeicherungWin(QWidget *parent)
    : TWarnWindow(QStringLiteral("SpeicherungWin"), QStringLiteral("Messergebnisse speichern?"), parent)
{
    m_picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(48, 48));
}
