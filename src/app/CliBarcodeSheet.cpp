#include "app/CliBarcodeSheet.h"

#include "app/CliReportApp.h"
#include "protocols/BarcodeSheets.h"

#include <QDir>

#include <cstdio>

namespace {

int fail(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return 1;
}

} // namespace

bool IsBarcodeSheetCommand(const QStringList &args)
{
    return args.contains(QStringLiteral("--barcode-sheet"));
}

int RunBarcodeSheetCommand(const QStringList &args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--barcode-sheet"));
    if (at < 0 || at + 2 >= args.size())
        return fail(QStringLiteral("Aufruf: geraetetester --barcode-sheet steuer|leser DATEI.pdf"));
    const QString which = args[at + 1].toLower();
    TBarcodeSheet sheet;
    if (which == QLatin1String("steuer"))
        sheet = TBarcodeSheet::Steuerbarcodes;
    else if (which == QLatin1String("leser"))
        sheet = TBarcodeSheet::ConfigBarcodes;
    else
        return fail(QStringLiteral("--barcode-sheet: \"%1\" ist kein Barcodeblatt (steuer oder leser).")
                        .arg(args[at + 1]));
    const QString fileName = args[at + 2];

    const auto ownApp = MakeReportApplication();
    QString error;
    if (!WriteBarcodeSheetPdf(sheet, fileName, &error)) return fail(error);
    std::printf("%s\n", QStringLiteral("Barcodeblatt nach „%1“ geschrieben.")
                            .arg(QDir::toNativeSeparators(fileName))
                            .toLocal8Bit()
                            .constData());
    return 0;
}
