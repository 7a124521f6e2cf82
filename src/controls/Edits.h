#pragma once

#include "controls/ControlTypes.h"

#include <QLineEdit>

#include <functional>

// What happens when the text is invalid as the focus leaves the field:
// always - the focus leaves, the text stays;
// changed - the focus is held once per change of the text;
// never - the focus is held until the text is valid.
enum class TErrLeavings { always = 0, changed = 1, never = 2 };

// Single-line edit that checks its text when the focus leaves it. The check is
// a virtual hook; this base class accepts every text.
class TValidateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TValidateEdit(QWidget *parent = nullptr);
    ~TValidateEdit() override;

    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment a);

    QString Mask() const { return m_mask; }
    void setMask(const QString &mask); // a new value validates

    TErrLeavings ErrLeaving() const { return m_errLeaving; }
    void setErrLeaving(TErrLeavings e); // a new value validates

    // True while the text was edited since the last successful validation.
    bool Edited() const { return m_edited; }

    // Runs the validation protocol now (as leaving the field does).
    void Validate();

    // True while any of these controls is validating (one guard for all).
    static bool ValidationRunning();

    // May overrule the verdict of the built-in check; a hook because it answers.
    std::function<void(QWidget *Control, bool &isValid)> OnValidate;
    // For each typed character ('\r' for Enter); setting Key to a null
    // character consumes the key, so this stays a single hook as well.
    std::function<void(QObject *Sender, QChar &Key)> OnKeyPress;

signals:
    // An invalid text was not accepted (after the focus went back).
    void validateError(QObject *Sender);
    // Every text change, typed or assigned.
    void change(QObject *Sender);
    // The focus has left the field and stayed away (text accepted).
    void exit(QObject *Sender);

public:
protected:
    // The control's own check of its text; may rewrite the text.
    virtual bool CheckText() { return true; }
    // For constructors: the initial text is no user edit.
    void ClearEdited() { m_edited = false; }

    void focusOutEvent(QFocusEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void TextChanged();

    TAlignment m_alignment = taLeftJustify;
    QString m_mask;
    TErrLeavings m_errLeaving = TErrLeavings::never;
    bool m_edited = false;
};

// Numeric edit for a floating-point value, shown formatted and clamped.
class TFloatEdit : public TValidateEdit {
    Q_OBJECT
public:
    explicit TFloatEdit(QWidget *parent = nullptr);

    // Reading validates a pending edit first.
    long double Value();
    void setValue(long double v);
    // The stored value without validating.
    long double StoredValue() const { return m_value; }

    long double MinValue() const { return m_min; }
    void setMinValue(long double v);
    long double MaxValue() const { return m_max; }
    void setMaxValue(long double v);

    QString FormatString() const { return m_format; }
    void setFormatString(const QString &f);

    // Null (default) = the program-wide separator of numtext::DefaultDecimalSeparator().
    QChar DecimalSeparator() const { return m_sep; }
    void setDecimalSeparator(QChar sep);
    QChar EffectiveDecimalSeparator() const;

protected:
    bool CheckText() override;

private:
    void ShowValue();

    long double m_value = 0;
    long double m_min = 0;
    long double m_max = 0;
    QString m_format = QStringLiteral("%g");
    QChar m_sep;
};

// Numeric edit for a 32-bit integer value, shown formatted and clamped.
class TIntEdit : public TValidateEdit {
    Q_OBJECT
public:
    explicit TIntEdit(QWidget *parent = nullptr);

    // Reading validates a pending edit first.
    qint32 Value();
    void setValue(qint32 v);
    qint32 StoredValue() const { return m_value; }

    qint32 MinValue() const { return m_min; }
    void setMinValue(qint32 v);
    qint32 MaxValue() const { return m_max; }
    void setMaxValue(qint32 v);

    QString FormatString() const { return m_format; }
    void setFormatString(const QString &f);

protected:
    bool CheckText() override;

private:
    void ShowValue();

    qint32 m_value = 0;
    qint32 m_min = 0;
    qint32 m_max = 0;
    QString m_format = QStringLiteral("%d");
};
