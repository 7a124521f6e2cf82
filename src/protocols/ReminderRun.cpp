#include "protocols/ReminderRun.h"

#include "protocols/ReminderLetter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

QString quoted(const QString &path)
{
    return QStringLiteral("„") + QDir::toNativeSeparators(path) + QStringLiteral("“");
}

// Why the folder cannot take letters; empty when it can.
QString folderProblem(const QString &dir)
{
    if (QFileInfo(dir).exists() && !QFileInfo(dir).isDir())
        return QStringLiteral("%1 ist kein Ordner.").arg(quoted(dir));
    if (!QDir().mkpath(dir))
        return QStringLiteral("Der Ordner %1 kann nicht angelegt werden.").arg(quoted(dir));
    // A trial file tells more than the permission bits (network shares, read-only mounts).
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".erinnerung-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("In den Ordner %1 kann nicht geschrieben werden.").arg(quoted(dir));
    return QString();
}

} // namespace

QString TReminderResult::Summary() const
{
    QString s = QStringLiteral("%1 Erinnerungsschreiben geschrieben, %2 fehlgeschlagen.")
                    .arg(files.size())
                    .arg(errors.size());
    if (cancelled) s += QStringLiteral(" Abgebrochen.");
    return s;
}

bool WriteReminderLetters(QSqlDatabase db, const QList<TDueEntry> &due, const std::array<QString, 5> &sender,
                          const QDate &date, const QString &dir, TReminderResult &result, QString *error,
                          const TReminderProgress &progress)
{
    result = TReminderResult{};
    const auto fail = [error](const QString &why) {
        if (error) *error = why;
        return false;
    };
    if (const QString why = folderProblem(dir); !why.isEmpty()) return fail(why);
    const QList<QList<TDueEntry>> customers = DueByCustomer(due);
    int done = 0;
    for (const QList<TDueEntry> &devices : customers) {
        TReminderLetter letter;
        letter.Sender = sender;
        letter.Date = date;
        letter.Devices = devices;
        bool found = false;
        QString why;
        const int nr = devices.constFirst().KundenNr;
        if (!LoadCustomerAddress(db, nr, letter.Customer, found, &why)) {
            // Counted as failed, so no summary of what was written reads like success.
            result.errors << QStringLiteral("Die Anschrift des Kunden %1 kann nicht gelesen werden: %2")
                                 .arg(nr)
                                 .arg(why);
            return fail(result.errors.constLast());
        }
        if (!found) {
            // The due list still names the customer; the letter goes out with that.
            letter.Customer.KundenNr = nr;
            letter.Customer.Name1 = devices.constFirst().Kunde;
        }
        const QString file = QDir(dir).filePath(ReminderFileName(nr, letter.Customer.Name1));
        if (ReminderLetterReport(letter).WritePdf(file, &why))
            result.files << file;
        else
            result.errors << why;
        if (progress && !progress(++done, static_cast<int>(customers.size()))) {
            result.cancelled = true;
            break;
        }
    }
    if (!result.errors.isEmpty()) return fail(result.Summary());
    return true;
}
