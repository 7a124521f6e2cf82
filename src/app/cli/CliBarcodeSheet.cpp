#include "app/cli/CliBarcodeSheet.h"

#include "app/cli/CliSupport.h"
#include "protocols/BarcodeSheets.h"

#include <QDir>

int RunBarcodeSheetCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--barcode-sheet"));
    if (at < 0 || at + 2 >= args.size())
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
    const QString &fileName = args[at + 2];

    QString error;
    if (!WriteBarcodeSheetPdf(sheet, fileName, &error)) return cli::Fail(error);
    cli::Say(QStringLiteral("Barcodeblatt nach „%1“ geschrieben.").arg(QDir::toNativeSeparators(fileName)));
    return 0;
}
