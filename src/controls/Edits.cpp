#include "controls/Edits.h"

#include "controls/NumberText.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include <cmath>

namespace {

// One validation at a time in the whole program: a check may move the focus
// or open a message box, which would start the next field's validation.
bool g_validating = false;

class ValidationGuard {
public:
    ValidationGuard() { g_validating = true; }
    ~ValidationGuard() { g_validating = false; }
    ValidationGuard(const ValidationGuard &) = delete;
    ValidationGuard &operator=(const ValidationGuard &) = delete;
};

Qt::Alignment QtAlignment(TAlignment a)
{
    switch (a) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

// ---------------------------------------------------------------- TValidateEdit

TValidateEdit::TValidateEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] { TextChanged(); });
}

TValidateEdit::~TValidateEdit() = default;

void TValidateEdit::setAlignment(TAlignment a)
{
    if (a == m_alignment) return;
    m_alignment = a;
    QLineEdit::setAlignment(QtAlignment(a));
}

void TValidateEdit::setMask(const QString &mask)
{
    if (mask == m_mask) return;
    m_mask = mask;
    Validate();
}

void TValidateEdit::setErrLeaving(TErrLeavings e)
{
    if (e == m_errLeaving) return;
    m_errLeaving = e;
    Validate();
}

bool TValidateEdit::ValidationRunning()
{
    return g_validating;
}

void TValidateEdit::TextChanged()
{
    m_edited = true;
    emit change(this);
}

void TValidateEdit::Validate()
{
    if (!m_edited || g_validating) return;
    ValidationGuard guard;
    bool valid = CheckText();
    if (OnValidate) OnValidate(this, valid);
    if (valid || m_errLeaving == TErrLeavings::always) {
        m_edited = false;
        return;
    }
    setFocus(Qt::OtherFocusReason);
    // `changed` objects once per change: leaving again with the same text is
    // accepted. `never` keeps objecting until the text is valid.
    m_edited = m_errLeaving == TErrLeavings::never;
    emit validateError(this);
}

void TValidateEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    // A popup (context menu, completer), the menu bar or a window switch is no leaving.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason ||
        e->reason() == Qt::MenuBarFocusReason)
        return;
    Validate();
    if (!hasFocus()) emit exit(this);
}

void TValidateEdit::keyPressEvent(QKeyEvent *e)
{
    if (OnKeyPress) {
        QChar key;
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
            key = QLatin1Char('\r');
        else if (e->key() == Qt::Key_Escape)
            key = QChar(0x1B);
        else if (!e->text().isEmpty())
            key = e->text().at(0);
        if (!key.isNull()) {
            OnKeyPress(this, key);
            if (key.isNull()) {
                e->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(e);
}

// ---------------------------------------------------------------- TFloatEdit

TFloatEdit::TFloatEdit(QWidget *parent) : TValidateEdit(parent)
{
    ShowValue();
    ClearEdited();
}

QChar TFloatEdit::EffectiveDecimalSeparator() const
{
    return m_sep.isNull() ? numtext::DefaultDecimalSeparator() : m_sep;
}

void TFloatEdit::ShowValue()
{
    setText(numtext::FormatFloat(m_format, m_value, EffectiveDecimalSeparator()));
}

long double TFloatEdit::Value()
{
    Validate();
    return m_value;
}

void TFloatEdit::setValue(long double v)
{
    if (v == m_value || !std::isfinite(v)) return; // NaN would never compare equal
    m_value = numtext::ClampToRange(v, m_min, m_max);
    ShowValue();
}

void TFloatEdit::setMinValue(long double v)
{
    if (v == m_min) return;
    if (m_max < v) m_max = v;
    m_min = v;
    setValue(numtext::ClampToRange(m_value, m_min, m_max));
}

void TFloatEdit::setMaxValue(long double v)
{
    if (v == m_max) return;
    if (m_min > v) m_min = v;
    m_max = v;
    setValue(numtext::ClampToRange(m_value, m_min, m_max));
}

void TFloatEdit::setFormatString(const QString &f)
{
    if (f == m_format) return;
    m_format = f;
    ShowValue();
}

void TFloatEdit::setDecimalSeparator(QChar sep)
{
    if (sep == m_sep) return;
    m_sep = sep;
    ShowValue();
}

bool TFloatEdit::CheckText()
{
    const QChar sep = EffectiveDecimalSeparator();
    auto v = numtext::ParseFloat(text(), sep);
    if (!v) v = numtext::ParseFloat(numtext::ReduceFloatText(text(), m_format, sep), sep);
    if (!v) return false;
    m_value = numtext::ClampToRange(*v, m_min, m_max);
    ShowValue();
    return true;
}

// ---------------------------------------------------------------- TIntEdit

TIntEdit::TIntEdit(QWidget *parent) : TValidateEdit(parent)
{
    ShowValue();
    ClearEdited();
}

void TIntEdit::ShowValue()
{
    setText(numtext::FormatInt(m_format, m_value));
}

qint32 TIntEdit::Value()
{
    Validate();
    return m_value;
}

void TIntEdit::setValue(qint32 v)
{
    if (v == m_value) return;
    m_value = numtext::ClampToRange(v, m_min, m_max);
    ShowValue();
}

void TIntEdit::setMinValue(qint32 v)
{
    if (v == m_min) return;
    if (m_max < v) m_max = v;
    m_min = v;
    setValue(numtext::ClampToRange(m_value, m_min, m_max));
}

void TIntEdit::setMaxValue(qint32 v)
{
    if (v == m_max) return;
    if (m_min > v) m_min = v;
    m_max = v;
    setValue(numtext::ClampToRange(m_value, m_min, m_max));
}

void TIntEdit::setFormatString(const QString &f)
{
    if (f == m_format) return;
    m_format = f;
    ShowValue();
}

bool TIntEdit::CheckText()
{
    auto v = numtext::ParseInt(text());
    if (!v) v = numtext::ParseInt(numtext::ReduceIntText(text(), m_format));
    if (!v) return false;
    m_value = numtext::ClampToRange(*v, m_min, m_max);
    ShowValue();
    return true;
}
