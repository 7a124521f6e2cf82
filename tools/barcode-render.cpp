// barcode-render TYPE TEXT OUT.png [--narrow N] [--height H] [--direction D]
//                [--lead-in W] [--bearer] [--no-human-readable]
// Draws one symbol with the barcode control into a PNG and prints the data it
// encodes. --height is the length of the bars (the control's Width when the
// direction is vertical).

#include "barcode/Barcd4.h"
#include "barcode/BarcodeRender.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <algorithm>

namespace {

int Usage(const QString &message)
{
    QTextStream err(stderr);
    if (!message.isEmpty()) err << message << "\n";
    err << "Aufruf: barcode-render TYP TEXT AUSGABE.png [--narrow N] [--height H]\n"
           "        [--direction bdRight|bdDown|bdLeft|bdUp] [--lead-in W] [--bearer]\n"
           "        [--no-human-readable]\n"
           "TYP: ";
    for (int i = 0; i < BarCodeTypeCount; ++i)
        err << (i ? ", " : "") << BarCodeTypeName(static_cast<TBarCodeType>(i));
    err << "\n";
    return 2;
}

bool ReadInt(const QStringList &args, qsizetype &i, int min, int *out)
{
    if (i + 1 >= args.size()) return false;
    bool ok = false;
    const int v = args.at(++i).toInt(&ok);
    if (!ok || v < min || v > 10000) return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // Draws into an image only; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) return Usage(QString());

    TBarCodeType type;
    if (!BarCodeTypeFromName(args.at(1), &type)) return Usage("Unbekannter Barcodetyp: " + args.at(1));
    const QString &text = args.at(2);
    const QString &out = args.at(3);

    int narrow = 2, height = 80, leadIn = 20;
    TBDDirection direction = bdRight;
    bool bearer = false, humanReadable = true;
    for (qsizetype i = 4; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == "--narrow") {
            if (!ReadInt(args, i, 1, &narrow)) return Usage("--narrow braucht eine Zahl von 1 bis 10000");
        } else if (a == "--height") {
            if (!ReadInt(args, i, 1, &height)) return Usage("--height braucht eine Zahl von 1 bis 10000");
        } else if (a == "--lead-in") {
            if (!ReadInt(args, i, 0, &leadIn)) return Usage("--lead-in braucht eine Zahl von 0 bis 10000");
        } else if (a == "--direction") {
            if (i + 1 >= args.size() || !DirectionFromName(args.at(++i), &direction))
                return Usage("--direction braucht bdRight, bdDown, bdLeft oder bdUp");
        } else if (a == "--bearer") {
            bearer = true;
        } else if (a == "--no-human-readable") {
            humanReadable = false;
        } else {
            return Usage("Unbekannte Option: " + a);
        }
    }

    TPrintBarcode bc;
    bc.setBarCodeType(type);
    bc.setText(text);
    bc.setModuleNarrow(narrow);
    bc.setLeadInWidth(leadIn);
    bc.setBearerBars(bearer);
    bc.setBearerBarsWidth(std::max(1, narrow * 2));
    bc.setHumanReadable(humanReadable);
    bc.setDirection(direction);
    bc.setAutoSize(true);

    const TBarSymbol symbol = bc.Symbol();
    const bool horizontal = SymbolIsHorizontal(symbol, direction);
    // Boxes and empty symbols keep the control's own length.
    const int length = symbol.kind == TSymbolKind::Bars ? bc.SymbolLength() : 4 * height;
    if (horizontal)
        bc.resize(length, height);
    else
        bc.resize(height, length);

    QImage image(bc.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        bc.DrawTo(p, QPoint(0, 0));
    }
    if (!image.save(out, "PNG")) {
        QTextStream(stderr) << "Kann " << out << " nicht schreiben\n";
        return 1;
    }
    QTextStream o(stdout);
    switch (symbol.kind) {
    case TSymbolKind::Nothing:
        o << "kein Symbol (leerer Text)\n";
        break;
    case TSymbolKind::EmptyBox:
        o << "leerer Rahmen: Text passt nicht zum Barcodetyp\n";
        break;
    case TSymbolKind::Bars:
        o << BarCodeTypeName(type) << ": " << symbol.encodedText << " (" << image.width() << " x "
          << image.height() << " px)\n";
        break;
    }
    return 0;
}
