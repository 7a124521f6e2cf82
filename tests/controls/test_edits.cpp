#include "QtPrinters.h"
#include "controls/Edits.h"
#include "controls/NumberText.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// The measuring-time field of the front panel.
void MakeMeasuringTime(TFloatEdit &e)
{
    e.setDecimalSeparator(QLatin1Char(','));
    e.setFormatString(QStringLiteral("%1.1f"));
    e.setMinValue(3.0);
    e.setMaxValue(25.0);
}

// A window with the edit under test and a second field to move the focus to.
struct FocusRig {
    QWidget window;
    QLineEdit *other = nullptr;

    explicit FocusRig(QWidget *edit)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        other = new QLineEdit(&window);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(gt_test::waitFor([edit] { return edit->hasFocus(); }, 2000));
    }

    void Leave()
    {
        other->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
};

} // namespace

TEST(FloatEdit, ClampsToTheRangeAndWritesTheLocaleSeparator)
{
    TFloatEdit e;
    MakeMeasuringTime(e);
    EXPECT_EQ(e.text(), QStringLiteral("3,0")); // the stored 0 was raised to the minimum

    e.setText(QStringLiteral("30"));
    e.Validate();
    EXPECT_EQ(e.text(), QStringLiteral("25,0"));
    EXPECT_EQ(e.StoredValue(), 25.0L);

    e.setText(QStringLiteral("2"));
    e.Validate();
    EXPECT_EQ(e.text(), QStringLiteral("3,0"));
    EXPECT_FALSE(e.Edited());

    e.setText(QStringLiteral("12,5"));
    EXPECT_EQ(e.Value(), 12.5L); // reading validates first
    EXPECT_EQ(e.text(), QStringLiteral("12,5"));
}

TEST(FloatEdit, ReducesASuffixedTextByTheFormat)
{
    TFloatEdit e;
    e.setDecimalSeparator(QLatin1Char(','));
    e.setFormatString(QStringLiteral("%1.1f s"));
    e.setText(QStringLiteral("12,5 s"));
    EXPECT_EQ(e.Value(), 12.5L);
    EXPECT_EQ(e.text(), QStringLiteral("12,5 s"));

    e.setText(QStringLiteral("7,25 s"));
    EXPECT_EQ(e.Value(), 7.25L);
    EXPECT_EQ(e.text(), QStringLiteral("7,3 s"));
}

TEST(FloatEdit, ValueSetterClampsFormatsAndSkipsAnUnchangedValue)
{
    TFloatEdit e;
    MakeMeasuringTime(e);
    e.setValue(12.5);
    EXPECT_EQ(e.text(), QStringLiteral("12,5"));
    e.setValue(99);
    EXPECT_EQ(e.StoredValue(), 25.0L);
    EXPECT_EQ(e.text(), QStringLiteral("25,0"));
    // The same value again leaves the text alone (a report must not undo typing).
    e.setText(QStringLiteral("1"));
    e.setValue(25);
    EXPECT_EQ(e.text(), QStringLiteral("1"));

    e.setFormatString(QStringLiteral("%1.2f"));
    e.setValue(10);
    EXPECT_EQ(e.text(), QStringLiteral("10,00"));
}

TEST(FloatEdit, RangeSettersKeepMinimumBelowMaximum)
{
    TFloatEdit e;
    e.setDecimalSeparator(QLatin1Char(','));
    e.setMinValue(3.0);
    EXPECT_EQ(e.MaxValue(), 3.0L); // the minimum above the maximum raises it
    EXPECT_EQ(e.StoredValue(), 3.0L);
    e.setMaxValue(25.0);
    e.setValue(20.0);
    e.setMaxValue(10.0); // lowering the maximum re-clamps the value
    EXPECT_EQ(e.StoredValue(), 10.0L);
    EXPECT_EQ(e.text(), QStringLiteral("10"));
    e.setMaxValue(1.0);
    EXPECT_EQ(e.MinValue(), 1.0L);
    EXPECT_EQ(e.StoredValue(), 1.0L);
}

TEST(FloatEdit, ProgramWideSeparatorApplies)
{
    const QChar saved = numtext::DefaultDecimalSeparator();
    numtext::SetDefaultDecimalSeparator(QLatin1Char(','));
    TFloatEdit e;
    e.setFormatString(QStringLiteral("%1.1f"));
    e.setValue(4.5);
    EXPECT_EQ(e.text(), QStringLiteral("4,5"));
    e.setDecimalSeparator(QLatin1Char('.')); // an own separator wins
    EXPECT_EQ(e.text(), QStringLiteral("4.5"));
    numtext::SetDefaultDecimalSeparator(saved);
}

TEST(IntEdit, HexadecimalClampingAndSuffix)
{
    TIntEdit e;
    e.setFormatString(QStringLiteral("%x"));
    e.setText(QStringLiteral("1F"));
    EXPECT_EQ(e.Value(), 31);
    EXPECT_EQ(e.text(), QStringLiteral("1F"));

    TIntEdit days;
    days.setFormatString(QStringLiteral("%d Tage"));
    days.setMinValue(1);
    days.setMaxValue(60);
    days.setText(QStringLiteral("100 Tage"));
    EXPECT_EQ(days.Value(), 60);
    EXPECT_EQ(days.text(), QStringLiteral("60 Tage"));
    days.setText(QStringLiteral("-5"));
    EXPECT_EQ(days.Value(), 1);

    TIntEdit plain;
    EXPECT_EQ(plain.text(), QStringLiteral("0"));
    plain.setText(QStringLiteral("abc"));
    EXPECT_EQ(plain.Value(), 0);
    EXPECT_TRUE(plain.Edited()); // both conversions failed: still edited
    EXPECT_EQ(plain.text(), QStringLiteral("abc"));
}

TEST(IntEdit, MinimumAboveMaximumRaisesIt)
{
    TIntEdit e;
    e.setMaxValue(10);
    e.setMinValue(20);
    EXPECT_EQ(e.MaxValue(), 20);
    EXPECT_EQ(e.Value(), 20);
}

TEST(ValidationProtocol, InvalidTextHoldsTheFocusUnlessAlways)
{
    for (TErrLeavings mode : {TErrLeavings::never, TErrLeavings::changed, TErrLeavings::always}) {
        SCOPED_TRACE(int(mode));
        auto *e = new TFloatEdit;
        MakeMeasuringTime(*e);
        e->setErrLeaving(mode);
        int errors = 0, exits = 0;
        QObject::connect(e, &TValidateEdit::validateError, [&](QObject *sender) {
            EXPECT_EQ(sender, e);
            ++errors;
        });
        QObject::connect(e, &TValidateEdit::exit, [&](QObject *) { ++exits; });
        FocusRig rig(e);
        e->selectAll();
        QTest::keyClicks(e, QStringLiteral("abc"));
        rig.Leave();
        if (mode == TErrLeavings::always) {
            EXPECT_TRUE(rig.other->hasFocus());
            EXPECT_EQ(errors, 0);
            EXPECT_EQ(exits, 1);
            EXPECT_FALSE(e->Edited());
        } else {
            EXPECT_TRUE(e->hasFocus());
            EXPECT_EQ(errors, 1);
            EXPECT_EQ(exits, 0);
            // Leaving again unchanged: `changed` lets go, `never` holds on.
            rig.Leave();
            const bool holds = mode == TErrLeavings::never;
            EXPECT_EQ(e->hasFocus(), holds);
            EXPECT_EQ(errors, holds ? 2 : 1);
            EXPECT_EQ(e->Edited(), holds);
        }
        EXPECT_EQ(e->text(), QStringLiteral("abc"));

        // Correcting the text lets the focus go.
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, QStringLiteral("30"));
        rig.Leave();
        EXPECT_TRUE(rig.other->hasFocus());
        EXPECT_EQ(e->text(), QStringLiteral("25,0"));
    }
}

TEST(ValidationProtocol, OnValidateOverrulesTheVerdict)
{
    auto *e = new TIntEdit;
    int errors = 0;
    bool reject = true;
    QObject::connect(e, &TValidateEdit::validateError, [&](QObject *) { ++errors; });
    e->OnValidate = [&](QWidget *control, bool &isValid) {
        EXPECT_EQ(control, e);
        if (reject)
            isValid = false;
        else
            isValid = true;
    };
    FocusRig rig(e);
    QTest::keyClicks(e, QStringLiteral("5"));
    rig.Leave();
    EXPECT_TRUE(e->hasFocus()); // a number, but the handler says no
    EXPECT_EQ(errors, 1);

    reject = false;
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("xyz"));
    rig.Leave();
    EXPECT_TRUE(rig.other->hasFocus()); // letters, but the handler accepts them
    EXPECT_EQ(errors, 1);
}

TEST(ValidationProtocol, OnlyEditedTextIsChecked)
{
    TIntEdit e;
    int checks = 0;
    e.OnValidate = [&](QWidget *, bool &) { ++checks; };
    e.Validate();
    EXPECT_EQ(checks, 0);
    e.setText(QStringLiteral("7")); // assignment counts as an edit
    EXPECT_TRUE(e.Edited());
    e.Validate();
    e.Validate();
    EXPECT_EQ(checks, 1);
}

TEST(ValidationProtocol, OneGuardForAllEdits)
{
    TIntEdit first, second;
    second.setText(QStringLiteral("bad"));
    int secondChecks = 0;
    second.OnValidate = [&](QWidget *, bool &) { ++secondChecks; };
    bool runningInside = false;
    first.OnValidate = [&](QWidget *, bool &) {
        runningInside = TValidateEdit::ValidationRunning();
        second.Validate(); // e.g. a message box moving the focus: must not nest
    };
    first.setText(QStringLiteral("1"));
    first.Validate();
    EXPECT_TRUE(runningInside);
    EXPECT_EQ(secondChecks, 0);
    EXPECT_FALSE(TValidateEdit::ValidationRunning());
    second.Validate(); // the guard is released afterwards
    EXPECT_EQ(secondChecks, 1);
}

TEST(ValidationProtocol, SettingMaskOrLeavePolicyValidates)
{
    TIntEdit e;
    e.setText(QStringLiteral("12"));
    e.setMask(QStringLiteral("99"));
    EXPECT_FALSE(e.Edited());
    EXPECT_EQ(e.StoredValue(), 12);

    e.setText(QStringLiteral("34"));
    e.setErrLeaving(TErrLeavings::never); // unchanged: nothing runs
    EXPECT_TRUE(e.Edited());
    e.setErrLeaving(TErrLeavings::changed);
    EXPECT_FALSE(e.Edited());
    EXPECT_EQ(e.StoredValue(), 34);
}

TEST(ValidationProtocol, ChangeEventAndKeyHook)
{
    auto *e = new TFloatEdit;
    int changes = 0, enters = 0;
    QObject::connect(e, &TValidateEdit::change, [&](QObject *) { ++changes; });
    e->OnKeyPress = [&](QObject *, QChar &key) {
        if (key == QLatin1Char('\r')) {
            ++enters;
            key = QChar(); // consumed
        }
    };
    bool returnSeen = false;
    QObject::connect(e, &QLineEdit::returnPressed, [&] { returnSeen = true; });
    FocusRig rig(e);
    QTest::keyClicks(e, QStringLiteral("12"));
    EXPECT_EQ(changes, 2);
    e->setText(QStringLiteral("3"));
    EXPECT_EQ(changes, 3);
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(enters, 1);
    EXPECT_FALSE(returnSeen);
}
