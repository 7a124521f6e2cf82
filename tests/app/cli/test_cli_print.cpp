// Printing through a real print server: the program hands protocols and
// barcode sheets to the PDF queue of tools/cups-test-queue.sh, and what comes
// out of the queue is compared with the same pages written as PDF directly.
// The queue's output has its text as Type 3 glyphs, so the pages are compared
// as pictures and the barcodes read back with a scanner program.

#include "../../protocols/PdfTools.h"
#include "StoreTestDb.h"
#include "app/common/PrinterChoice.h"
#include "core/IniFile.h"
#include "protocols/BarcodeSheets.h"
#include "protocols/PrinterMemory.h"
#include "support/ProgramIniScope.h"
#include "support/RequireTool.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

// The print server the script started (its export lines), if any.
struct TQueue {
    QString server; // for CUPS_SERVER
    QString name;
    QString out; // where the queue's PDF files land
};

std::optional<TQueue> testQueue()
{
    const QString server = qEnvironmentVariable("GT_CUPS_SERVER");
    const QString name = qEnvironmentVariable("GT_CUPS_QUEUE");
    const QString out = qEnvironmentVariable("GT_CUPS_OUT");
    if (server.isEmpty() || name.isEmpty() || out.isEmpty()) return std::nullopt;
    return TQueue{server, name, out};
}

constexpr const char *kNoQueue = "kein Testdrucker (eval \"$(tools/cups-test-queue.sh start)\")";

struct TRun {
    int code = -1;
    QString err;
};

// The program itself, as a scheduled job would run it: no display, the
// settings file given, the print server named by CUPS_SERVER.
TRun runProgram(const QStringList &args, const QString &ini, const QString &cupsServer)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("CUPS_SERVER"), cupsServer);
    p.setProcessEnvironment(env);
    QStringList all;
    if (!ini.isEmpty()) all << QStringLiteral("--ini") << ini;
    p.start(gt_test::buildDir() + QStringLiteral("/src/app/geraetetester"), all + args);
    TRun r;
    if (!p.waitForFinished(60000)) return r;
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

QStringList pdfsIn(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

// The queue works behind the program's back: waits for a file that was not
// there before, is named after the job's title (tests print side by side)
// and is complete (the backend writes it in pieces).
QString waitForPrinted(const QString &dir, const QStringList &before, const QString &titleWord)
{
    QString found;
    const bool done = gt_test::waitFor(
        [&] {
            for (const QString &f : pdfsIn(dir)) {
                if (before.contains(f) || !f.contains(titleWord)) continue;
                QFile file(QDir(dir).filePath(f));
                if (!file.open(QIODevice::ReadOnly) || file.size() < 16) continue;
                file.seek(file.size() - 16);
                if (!file.readAll().contains("%%EOF")) continue;
                found = file.fileName();
                return true;
            }
            return false;
        },
        30000);
    return done ? found : QString();
}

// Every page in grey at 100 dpi.
QList<QImage> greyPages(const QString &pdf)
{
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-q"), QStringLiteral("-gray"), QStringLiteral("-r"),
                                         QStringLiteral("100"), pdf, dir.filePath(QStringLiteral("p"))});
    p.waitForFinished(60000);
    QList<QImage> pages;
    for (const QString &f : QDir(dir.path()).entryList({QStringLiteral("p-*.pgm")}, QDir::Files, QDir::Name))
        pages << QImage(dir.filePath(f)).convertToFormat(QImage::Format_Grayscale8);
    return pages;
}

// Mean absolute difference of the grey values (0..255) where b is shifted by
// (dx, dy) pixels against a, over every second pixel of every second row
// (the bars and lines are wider than that at 100 dpi).
double meanDifference(const QImage &a, const QImage &b, int dx, int dy)
{
    double sum = 0;
    qint64 n = 0;
    const int m = 10; // a margin wider than any shift tried
    for (int y = m; y < a.height() - m && y + dy < b.height(); y += 2) {
        const uchar *ra = a.constScanLine(y);
        const uchar *rb = b.constScanLine(y + dy);
        for (int x = m; x < a.width() - m && x + dx < b.width(); x += 2, ++n)
            sum += std::abs(int(ra[x]) - int(rb[x + dx]));
    }
    return n ? sum / double(n) : 255;
}

// Where a lies best on b within 1.5 mm (6 pixels) each way, how well, and how
// far from that a page placed 1 mm off would be.
struct TMatch {
    int dx = 0;
    int dy = 0;
    double difference = 255;
    double oneMmOff = 0;
};

TMatch match(const QImage &a, const QImage &b)
{
    TMatch best;
    for (int dy = -6; dy <= 6; ++dy)
        for (int dx = -6; dx <= 6; ++dx)
            if (const double d = meanDifference(a, b, dx, dy); d < best.difference) best = {dx, dy, d, 0};
    best.oneMmOff = qMin(meanDifference(b, b, 4, 0), meanDifference(b, b, 0, 4));
    return best;
}

// The page sits where the direct one does (within a quarter millimetre, the
// search reaching 1.5 mm) and matches it better than the direct page matches
// itself moved by 1 mm. Both come from different renderers: the queue draws
// glyphs and bars a little bolder. Measured here: a difference of 2.3 to 4.9
// where a 1 mm move gives 6.9 to 8.4 (ratio up to 0.6), while the same pages
// drawn at 97 % give 12 to 20 (ratio 1.4 and more) and lie 5 or more pixels off.
// The limit of one such move sits between the two; taken from each page
// itself, it holds a page with little ink to the same standard as a full one.
bool samePlace(const TMatch &m)
{
    return std::abs(m.dx) <= 1 && std::abs(m.dy) <= 1 && m.difference < m.oneMmOff;
}

std::string describe(const TMatch &m)
{
    return QStringLiteral("beste Lage (%1, %2) px, Abweichung %3, 1 mm daneben %4")
        .arg(m.dx)
        .arg(m.dy)
        .arg(m.difference)
        .arg(m.oneMmOff)
        .toStdString();
}

// The printed pages are the direct ones: same number and size, each in place.
void expectSamePages(const QString &printed, const QString &direct)
{
    const QList<QImage> p = greyPages(printed);
    const QList<QImage> d = greyPages(direct);
    ASSERT_FALSE(d.isEmpty());
    ASSERT_EQ(p.size(), d.size());
    for (qsizetype i = 0; i < d.size(); ++i) {
        SCOPED_TRACE(QStringLiteral("Seite %1").arg(i + 1).toStdString());
        ASSERT_EQ(p[i].size(), d[i].size());
        const TMatch m = match(p[i], d[i]);
        EXPECT_TRUE(samePlace(m)) << describe(m);
        // The measure itself, once: the printed page drawn 3 % too small fails it.
        if (i > 0) continue;
        const QImage shrunk =
            p[i].scaled(p[i].size() * 0.97, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage onPage(p[i].size(), QImage::Format_Grayscale8);
        onPage.fill(255);
        for (int y = 0; y < shrunk.height(); ++y)
            std::copy_n(shrunk.constScanLine(y), shrunk.width(), onPage.scanLine(y));
        const TMatch small = match(onPage, d[i]);
        EXPECT_FALSE(samePlace(small)) << describe(small);
    }
}

class PrintQueue : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pdf_tools::havePoppler() || !pdf_tools::haveZbar())
            GT_SKIP_WITHOUT_TOOL("poppler-utils oder zbar-tools fehlen");
        queue = testQueue();
        if (!queue) GT_SKIP_WITHOUT_TOOL(kNoQueue);
    }
    // Runs the program and gives the file the queue made of it.
    QString printed(const QString &titleWord, const QStringList &args, const QString &ini = QString())
    {
        const QStringList before = pdfsIn(queue->out);
        const TRun r = runProgram(args, ini, queue->server);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        if (r.code != 0) return QString();
        const QString file = waitForPrinted(queue->out, before, titleWord);
        EXPECT_FALSE(file.isEmpty()) << "nichts aus der Warteschlange in " << queue->out.toStdString();
        return file;
    }

    std::optional<TQueue> queue;
    QTemporaryDir dir;
};

} // namespace

TEST_F(PrintQueue, AProtocolComesOutAsTheDirectPdfWithItsBarcode)
{
    TTestDb t(TTestEngine::SQLite);
    ASSERT_TRUE(t.ok()) << t.error().toStdString();
    const QString ini = dir.filePath(QStringLiteral("geraetetester.ini"));
    TIniFile(ini).WriteString(QStringLiteral("DataBase"), QStringLiteral("ConnectionString"),
                              t.connectionString());
    t.addCustomer(1, QStringLiteral("Pflegeheim Am Park"), QStringLiteral("Berlin"));
    t.addDevice(10, 1, QStringLiteral("Pflegebett"), QStringLiteral("4711081500"));
    t.addTest(100, 10, QDateTime(QDate(2026, 3, 4), QTime(10, 0)), QStringLiteral("ohne Befund"));

    // The title's umlaut becomes an escape in the file's name.
    const QString out = printed(
        QStringLiteral("protokoll"),
        {QStringLiteral("--print"), QStringLiteral("100"), QStringLiteral("--printer"), queue->name}, ini);
    ASSERT_FALSE(out.isEmpty());
    const QString direct = dir.filePath(QStringLiteral("direkt.pdf"));
    ASSERT_EQ(
        runProgram({QStringLiteral("--protocol-pdf"), QStringLiteral("100"), direct}, ini, queue->server)
            .code,
        0);
    expectSamePages(out, direct);
    const QList<QStringList> scanned = pdf_tools::scanPages(out);
    ASSERT_EQ(scanned.size(), 1);
    EXPECT_EQ(scanned[0].size(), 1) << scanned[0].join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(scanned[0].join(QLatin1Char(' ')).contains(QStringLiteral("4711081500")))
        << scanned[0].join(QLatin1Char(' ')).toStdString();

    // No such test: a failure, and nothing is said to be printed.
    const TRun none = runProgram({QStringLiteral("--print"), QStringLiteral("999")}, ini, queue->server);
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("Die Prüfung Nr. 999 gibt es nicht.")))
        << none.err.toStdString();
    EXPECT_FALSE(none.err.contains(QStringLiteral("übergeben"))) << none.err.toStdString();
}

TEST_F(PrintQueue, ABarcodeSheetOnTheDefaultQueueReadsAsTheDirectOne)
{
    // No --printer value: the default queue, which the script sets.
    const QString out = printed(QStringLiteral("Steuerbarcodes"),
                                {QStringLiteral("--barcode-sheet"), QStringLiteral("steuer"),
                                 QStringLiteral("--printer"), QString()});
    ASSERT_FALSE(out.isEmpty());
    const QString direct = dir.filePath(QStringLiteral("steuer.pdf"));
    ASSERT_EQ(runProgram({QStringLiteral("--barcode-sheet"), QStringLiteral("steuer"), direct}, QString(),
                         queue->server)
                  .code,
              0);
    expectSamePages(out, direct);
    // Every code of the first page reads from the paper (the others are the
    // direct pages, as compared; a scan takes seconds a page).
    QStringList expected;
    for (size_t i = 0; i < 19; ++i)
        expected << QStringLiteral("I2/5:") + TSteuerbarcodes::Codes()[i].Barcode;
    expected.sort();
    EXPECT_EQ(pdf_tools::scanPng(pdf_tools::renderPng(out, 1, 300, dir.filePath(QStringLiteral("s1")))),
              expected);
}

TEST_F(PrintQueue, AWrongPrinterIsNamedWithTheOnesThereAre)
{
    const TRun r = runProgram({QStringLiteral("--barcode-sheet"), QStringLiteral("leser"),
                               QStringLiteral("--printer"), QStringLiteral("Keller")},
                              QString(), queue->server);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Den Drucker „Keller“ gibt es nicht. Eingerichtet sind: „")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("„%1“").arg(queue->name))) << r.err.toStdString();
}

TEST_F(PrintQueue, AJobTheQueueRefusesIsAFailure)
{
    const QString refusing = qEnvironmentVariable("GT_CUPS_REFUSING");
    if (refusing.isEmpty()) GT_SKIP_WITHOUT_TOOL(kNoQueue);
    const TRun r = runProgram(
        {QStringLiteral("--barcode-sheet"), QStringLiteral("leser"), QStringLiteral("--printer"), refusing},
        QString(), queue->server);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("Der Drucker „%1“ hat den Auftrag nicht angenommen: ").arg(refusing)))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("übergeben"))) << r.err.toStdString();
}

TEST(PrintCommand, AnUnreachablePrintServiceIsToldAsSuch)
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("cups.sock"));
    const TRun r = runProgram({QStringLiteral("--barcode-sheet"), QStringLiteral("steuer"),
                               QStringLiteral("--printer"), QStringLiteral("GT-PDF-Test")},
                              QString(), socket);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("Der Druckdienst (CUPS) ist unter „%1“ nicht erreichbar").arg(socket)))
        << r.err.toStdString();
}

TEST(PrinterMemory, TheQueueChosenLastIsKeptInTheIniAndOffered)
{
    // Before Qt asks any print server: this process talks to the test one, if any.
    const std::optional<TQueue> queue = testQueue();
    if (queue) qputenv("CUPS_SERVER", queue->server.toLocal8Bit());
    const gt_test::TProgramIniScope iniScope;
    UseRememberedPrinter();

    QPrinter pdf;
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(iniScope.path() + QStringLiteral(".pdf"));
    KeepPrinter(pdf);
    EXPECT_EQ(ReadLastPrinter(TIniFile(iniScope.path())), QString()) << "a PDF file is no printer";

    // A queue that has gone since is not offered.
    {
        TIniFile ini(iniScope.path());
        WriteLastPrinter(ini, QStringLiteral("Abgebaut"));
    }
    QPrinter printer;
    const QString before = printer.printerName();
    RecallPrinter(printer);
    EXPECT_EQ(printer.printerName(), before);

    // The script sets up a second queue beside the default one.
    if (!queue) GT_SKIP_WITHOUT_TOOL(kNoQueue);
    QStringList others = QPrinterInfo::availablePrinterNames();
    others.removeAll(QPrinterInfo::defaultPrinterName());
    ASSERT_FALSE(others.isEmpty());
    QPrinter chosen;
    chosen.setPrinterName(others.constFirst());
    ASSERT_EQ(chosen.outputFormat(), QPrinter::NativeFormat);
    KeepPrinter(chosen);
    EXPECT_EQ(ReadLastPrinter(TIniFile(iniScope.path())), others.constFirst());
    QPrinter next;
    ASSERT_EQ(next.printerName(), QPrinterInfo::defaultPrinterName());
    RecallPrinter(next);
    EXPECT_EQ(next.printerName(), others.constFirst());

    // The preview, from where every window prints, starts on it too.
    QString offered;
    QTimer::singleShot(0, [&] {
        if (auto *dlg = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget())) {
            offered = dlg->printer()->printerName();
            dlg->reject();
        }
    });
    BarcodeSheetReport(TBarcodeSheet::ConfigBarcodes).Preview();
    EXPECT_EQ(offered, others.constFirst());
    SetPrinterMemory({});
}
