#include "app/cli/CliBarcodeSheet.h"

#include "app/cli/CliPrint.h"
#include "app/cli/CliSupport.h"
#include "protocols/BarcodeSheets.h"

#include <QDir>

int RunBarcodeSheetCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--barcode-sheet"));
    const qsizetype printer = args.indexOf(QStringLiteral("--printer"));
    if (at < 0 || at + (printer < 0 ? 2 : 1) >= args.size())
        return cli::Fail(QStringLiteral("Aufruf: geraetetester --barcode-sheet steuer|leser DATEI.pdf"));
    const QString which = args[at + 1].toLower();
    TBarcodeSheet sheet;
    if (which == QLatin1String("steuer"))
        sheet = TBarcodeSheet::Steuerbarcodes;
    else if (which == QLatin1String("leser"))
        sheet = TBarcodeSheet::ConfigBarcodes;
    else
        return cli::Fail(QStringLiteral("--barcode-sheet: \"%1\" ist kein Barcodeblatt (steuer oder leser).")
                             .arg(args[at + 1]));
    if (printer >= 0)
        return cli::PrintReport(BarcodeSheetReport(sheet), args.value(printer + 1),
                                QStringLiteral("Barcodeblatt"));
    const QString &fileName = args[at + 2];

    QString error;
    if (!WriteBarcodeSheetPdf(sheet, fileName, &error)) return cli::Fail(error);
    cli::Say(QStringLiteral("Barcodeblatt nach „%1“ geschrieben.").arg(QDir::toNativeSeparators(fileName)));
    return 0;
}

TCommand BarcodeSheetCommand()
{
    return {QStringLiteral("barcode-sheet"),
            {QStringLiteral("steuer|leser"), QStringLiteral("DATEI")},
            QStringLiteral("Schreibt einen Barcodebogen (Steuercodes oder Lesercodes) als PDF-Datei."),
            {TCommandOption{QStringLiteral("printer"), QStringLiteral("NAME"),
                            QStringLiteral("statt DATEI auf diesem Drucker drucken (\"\": Standarddrucker)"),
                            false, true}},
            &RunBarcodeSheetCommand,
            TCommandApp::Offscreen};
}
