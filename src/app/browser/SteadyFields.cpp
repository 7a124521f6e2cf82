#include "app/browser/SteadyFields.h"

#include "app/browser/DatenanzeigeDlg.h"

#include <QLabel>
#include <QLayout>

#include <algorithm>

namespace {

// Wide enough for every sample and the width it was given, as high as one line.
void steady(QLabel *label, const QStringList &samples)
{
    const QFontMetrics fm = label->fontMetrics();
    int text = 0;
    for (const QString &s : samples)
        text = std::max(text, fm.horizontalAdvance(s));
    const int indent = std::max(0, label->indent());
    const int width =
        std::max(label->minimumWidth(), text + 2 * (label->frameWidth() + label->margin() + indent) +
                                            fm.horizontalAdvance(QLatin1Char(' ')));
    label->setFixedSize(width, label->sizeHint().height());
}

// A field that is shown and hidden with the measurement rows sits in a holder
// of its size: hiding it then leaves the layout as it is.
void holdPlace(QLabel *label)
{
    QWidget *box = label->parentWidget();
    auto *holder = new QWidget(box);
    holder->setFixedSize(label->size());
    // The layout hands back the label's old item: ours to delete.
    QLayoutItem *old = box->layout() ? box->layout()->replaceWidget(label, holder) : nullptr;
    if (!old) {
        delete holder;
        return;
    }
    delete old;
    const bool shown = !label->isHidden();
    label->setParent(holder);
    label->move(0, 0);
    label->setVisible(shown);
}

} // namespace

void KeepTextFieldsSteady(TDatenanzeigeDlg &dlg)
{
    const QStringList position{QStringLiteral("[888888/888888]")};
    for (QLabel *l : {dlg.CustomerPos, dlg.DevicePos, dlg.TestPos})
        steady(l, position);
    steady(dlg.DatumText, {QStringLiteral("88.88.8888 88:88:88")});
    steady(dlg.SerialText, {QStringLiteral("888888888888")});
    steady(dlg.KlasseText, {QStringLiteral("III")});
    steady(dlg.IsolText, {QStringLiteral("Isol. und Diff."), QStringLiteral("ohne Isol.-Pr."),
                          QStringLiteral("DiffStr.-Mess"), QStringLiteral("mit Isol.-Pr.")});
    steady(dlg.SichtText, {QStringLiteral("nein"), QStringLiteral("---")});
    steady(dlg.GesamtText, {QStringLiteral("NEIN"), QStringLiteral("---")});
    steady(dlg.ProtText, {QStringLiteral("Prot.: 3-seitig"), QStringLiteral("Prot.: 1-seitig"),
                          QStringLiteral("Prot.: Standard"), QStringLiteral("Prot.: ---")});
    for (const TMeasRowWidgets &r : dlg.MeasRows) {
        steady(r.value, {QStringLiteral("88888,88"), QStringLiteral(">1000"), QStringLiteral(" --- ")});
        steady(r.limit, {QStringLiteral("(max. 88888,88 mOhm)"), QStringLiteral("(min. 88888,88 MOhm)")});
        holdPlace(r.value);
        holdPlace(r.limit);
    }
}
