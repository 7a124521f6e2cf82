#include "protocols/ReminderLetter.h"

#include "protocols/ProtocolArchive.h"
#include "protocols/TextFit.h"

#include <QHash>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr double kWidth = 620; // 165 mm between 25 mm and 20 mm margins
// The sender's block at the right, the address at the left, as a window
// envelope shows it.
constexpr double kSenderX = 380;
constexpr double kAddressWidth = 300;
constexpr double kAddressTop = 113; // 30 mm below the margin
// Table columns: designation, inventory number, barcode, last test, due.
constexpr double kCol[] = {0, 186, 304, 412, 512};
constexpr int kCols = 5;
constexpr TReportFont kCell{12, false, false};
constexpr TReportFont kHead{12, true, false};
constexpr TReportFont kReturnLine{8, false, true};

double columnWidth(int i)
{
    return (i + 1 < kCols ? kCol[i + 1] : kWidth) - kCol[i] - 6;
}

// Lines of text at a place of the page, decided once when the letter is made.
struct TBlock {
    double x, y, width;
    QStringList lines;
    TReportFont font;
    Qt::Alignment align = Qt::AlignLeft;
};

struct TBlocks {
    std::vector<TBlock> blocks;
    double bottom = 0;

    // Wraps text into the width at y; returns where the next line would start.
    double add(double x, double y, double width, const QString &text, TReportFont font,
               Qt::Alignment align = Qt::AlignLeft)
    {
        const QStringList lines = WrapText(text, width, font);
        blocks.push_back({x, y, width, lines, font, align});
        const double end = y + TextLineHeight(font) * static_cast<double>(lines.size());
        bottom = std::max(bottom, end);
        return end;
    }
    void paint(TReportCanvas &c) const
    {
        for (const TBlock &b : blocks)
            c.Lines(b.x, b.y, b.width, b.align, b.lines, b.font);
    }
};

// The table's header at y; returns its bottom, under the rule.
double addTableHeader(TBlocks &b, double y)
{
    const QStringList titles = {QStringLiteral("Bezeichnung"), QStringLiteral("Inventarnummer"),
                                QStringLiteral("Barcode"), QStringLiteral("letzte Prüfung"),
                                QStringLiteral("fällig am")};
    double bottom = y;
    for (int i = 0; i < kCols; ++i)
        bottom = std::max(bottom, b.add(kCol[i], y, columnWidth(i), titles[i], kHead));
    return bottom + 6;
}

QStringList nonEmpty(const std::array<QString, 5> &lines)
{
    QStringList out;
    for (const QString &l : lines)
        if (!l.trimmed().isEmpty()) out << l.trimmed();
    return out;
}

// Sender, address, date, subject and text on the first page, ending with
// the table's header.
TBlocks firstPage(const TReminderLetter &l)
{
    TBlocks b;
    const QStringList sender = nonEmpty(l.Sender);
    double senderEnd = 0;
    for (const QString &line : sender)
        senderEnd = b.add(kSenderX, senderEnd, kWidth - kSenderX, line, Normal, Qt::AlignRight);
    const double top = std::max(kAddressTop, senderEnd + 12);
    // The sender once more above the address, small, for window envelopes.
    double y = sender.isEmpty()
                   ? top
                   : b.add(0, top, kAddressWidth, sender.join(QStringLiteral(" · ")), kReturnLine) + 6;
    for (const QString &line : AddressLines(l.Customer))
        y = b.add(0, y, kAddressWidth, line, Normal);
    b.add(kSenderX, top, kWidth - kSenderX, l.Date.toString(QStringLiteral("dd.MM.yyyy")), Normal,
          Qt::AlignRight);
    y = b.bottom + 48;
    y = b.add(0, y, kWidth, QStringLiteral("Prüfung Ihrer elektrischen Geräte fällig"),
              TReportFont{15, true, false}) +
        14;
    y = b.add(0, y, kWidth,
              QStringLiteral("Sehr geehrte Damen und Herren,\n\n"
                             "für die folgenden Geräte ist die wiederkehrende Prüfung fällig oder wird "
                             "es in Kürze. Damit Ihre Geräte sicher bleiben und die Fristen eingehalten "
                             "werden, bitten wir Sie, mit uns einen Termin für die Prüfung zu vereinbaren."),
              Normal) +
        16;
    addTableHeader(b, y);
    return b;
}

// Later pages: whose letter it is, and the table's header again.
TBlocks laterPage(const TReminderLetter &l)
{
    TBlocks b;
    const QString who = QStringLiteral("Erinnerung vom %1 an %2 (Kunde %3)")
                            .arg(l.Date.toString(QStringLiteral("dd.MM.yyyy")), l.Customer.Name1)
                            .arg(l.Customer.KundenNr);
    const double y = b.add(0, 0, kWidth, who, Small) + 10;
    addTableHeader(b, y);
    return b;
}

// A device's cells: a long text wraps in its column.
TBlocks deviceRow(const TDueEntry &e)
{
    const QString fmt = QStringLiteral("dd.MM.yyyy");
    const QString due = NextDueText(e, fmt);
    const QStringList texts = {e.Bezeichnung, e.Inventarnummer, e.Barcode,
                               e.LastTest.isValid() ? e.LastTest.toString(fmt)
                                                    : QStringLiteral("nie geprüft"),
                               due.isEmpty() ? QStringLiteral("sofort") : due};
    TBlocks b;
    for (int i = 0; i < kCols; ++i)
        b.add(kCol[i], 2, columnWidth(i), texts[i], kCell);
    b.bottom += 3;
    return b;
}

// The closing words and the contractor's name; they travel with the last row.
double addClosing(TBlocks &b, double y, const TReminderLetter &l)
{
    y = b.add(
        0, y + 24, kWidth,
        QStringLiteral("Für Rückfragen stehen wir Ihnen gern zur Verfügung.\n\nMit freundlichen Grüßen"),
        Normal);
    const QStringList sender = nonEmpty(l.Sender);
    if (!sender.isEmpty()) y = b.add(0, y + 24, kWidth, sender.first(), Normal);
    return y;
}

double headerHeight(const TBlocks &b)
{
    return b.blocks.empty() ? 0 : b.bottom + 6;
}

} // namespace

QStringList AddressLines(const TCustomerAddress &a)
{
    QStringList out;
    for (const QString &s : {a.Name1, a.Name2, a.Name3, a.Strasse})
        if (!s.trimmed().isEmpty()) out << s.trimmed();
    QString town = (a.PLZ.trimmed() + QLatin1Char(' ') + a.Ort.trimmed()).trimmed();
    if (!town.isEmpty() && !a.LKZ.trimmed().isEmpty()) town = a.LKZ.trimmed() + QLatin1Char('-') + town;
    if (!town.isEmpty()) out << town;
    return out;
}

TReport ReminderLetterReport(const TReminderLetter &letter)
{
    TReport r;
    r.Title = QStringLiteral("Erinnerung an die Prüfung: ") + letter.Customer.Name1;
    r.MarginsMm = QMarginsF(25, 15, 20, 15);
    r.BandWidth = kWidth;
    const auto first = std::make_shared<TBlocks>(firstPage(letter));
    const auto later = std::make_shared<TBlocks>(laterPage(letter));
    r.PageHeaderHeight = [first, later](int page) { return headerHeight(page == 1 ? *first : *later); };
    r.PageHeader = [first, later](TReportCanvas &c, int page, int) {
        const TBlocks &b = page == 1 ? *first : *later;
        b.paint(c);
        c.Rule(b.bottom + 2);
    };
    r.PageFooterHeight = 18;
    r.PageFooter = [](TReportCanvas &c, int page, int pages) {
        c.Rule(0);
        c.LabelRightEnd(kWidth, 4, QStringLiteral("Seite %1 von %2").arg(page).arg(pages), Small);
    };
    for (qsizetype i = 0; i < letter.Devices.size(); ++i) {
        TBlocks row = deviceRow(letter.Devices[i]);
        if (i + 1 == letter.Devices.size()) row.bottom = addClosing(row, row.bottom, letter);
        const double h = row.bottom;
        r.AddBand(h, false, [row = std::move(row)](TReportCanvas &c) { row.paint(c); });
    }
    if (letter.Devices.isEmpty()) {
        TBlocks closing;
        closing.bottom = addClosing(closing, 0, letter);
        const double h = closing.bottom;
        r.AddBand(h, false, [closing = std::move(closing)](TReportCanvas &c) { closing.paint(c); });
    }
    return r;
}

QString ReminderFileName(int kundenNr, const QString &name1)
{
    // The number comes first, so the name can never start with a dot, and two
    // customers of one name never share a file.
    return SafeFileName(QStringLiteral("Erinnerung %1 %2")
                            .arg(kundenNr, 5, 10, QLatin1Char('0'))
                            .arg(name1.simplified())) +
           QStringLiteral(".pdf");
}

QList<QList<TDueEntry>> DueByCustomer(const QList<TDueEntry> &due)
{
    QList<QList<TDueEntry>> out;
    QHash<int, qsizetype> at;
    for (const TDueEntry &e : due) {
        auto it = at.constFind(e.KundenNr);
        if (it == at.constEnd()) {
            it = at.insert(e.KundenNr, out.size());
            out.append(QList<TDueEntry>());
        }
        out[*it].append(e);
    }
    return out;
}
