#include "protocols/ProtocolArchive.h"

#include "protocols/PdfSigner.h"
#include "store/Database.h"
#include "store/TestLists.h"
#include "store/TestRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString SafeFileName(const QString &text)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString s;
    s.reserve(text.size());
    for (const QChar c : text)
        s += (c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c)) ? QLatin1Char('_') : c;
    s = s.trimmed();
    // Cut first: a cut may end on a dot or blank again.
    if (s.size() > 80) s.truncate(80);
    // Half a character pair is no character: the file name would carry a
    // replacement sign instead.
    if (!s.isEmpty() && s.back().isHighSurrogate()) s.chop(1);
    // Windows drops trailing dots and blanks, so two names would meet.
    while (!s.isEmpty() && (s.endsWith(QLatin1Char('.')) || s.endsWith(QLatin1Char(' '))))
        s.chop(1);
    if (s.isEmpty() || s == QLatin1String(".") || s == QLatin1String("..")) return QStringLiteral("_");
    static const QStringList reserved = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                         QStringLiteral("NUL")};
    const QString stem = s.section(QLatin1Char('.'), 0, 0).toUpper();
    const bool device = reserved.contains(stem) ||
                        (stem.size() == 4 &&
                         (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
                         stem[3].isDigit());
    return device ? QLatin1Char('_') + s : s;
}

QString ArchiveFolderName(int kundenNr, const QString &name1)
{
    // Led by the number: two customers of one name keep apart, and a name
    // that starts with a dot does not make a hidden folder.
    const QString name = name1.trimmed();
    return SafeFileName(name.isEmpty() ? QString::number(kundenNr)
                                       : QStringLiteral("%1 %2").arg(kundenNr).arg(name));
}

namespace {

QString protocolFileName(const TWerteSatz &w)
{
    const QString device =
        w.Barcode.trimmed().isEmpty() ? QString::number(w.PrueflingNr) : w.Barcode.trimmed();
    return SafeFileName(QStringLiteral("%1_%2_%3")
                            .arg(device, w.Datum.date().toString(QStringLiteral("yyyy-MM-dd")))
                            .arg(w.PruefungsNr)) +
           QStringLiteral(".pdf");
}

// Where archives of earlier versions put the protocol: in a folder named by
// Name1 alone. What is there stays there and counts as archived.
QString legacyRelativePath(const TWerteSatz &w)
{
    const QString customer =
        w.Name1.trimmed().isEmpty() ? QStringLiteral("Kunde %1").arg(w.KundenNr) : w.Name1;
    return SafeFileName(customer) + QLatin1Char('/') + protocolFileName(w);
}

} // namespace

QString ArchiveRelativePath(const TWerteSatz &w)
{
    return ArchiveFolderName(w.KundenNr, w.Name1) + QLatin1Char('/') + protocolFileName(w);
}

QString TArchiveResult::Summary() const
{
    QString s = QStringLiteral("%1 Protokoll(e) geschrieben, %2 vorhanden, %3 fehlgeschlagen.")
                    .arg(written)
                    .arg(skipped)
                    .arg(failed);
    if (cancelled) s += QStringLiteral(" Abgebrochen.");
    return s;
}

TProtocolArchive::TProtocolArchive(QObject *parent) : QObject(parent)
{
}

bool TProtocolArchive::ListTests(QSqlDatabase db, const QDate &since, QList<int> &tests, QString *error)
{
    return ListTestNumbersSince(db, since, tests, error);
}

bool TProtocolArchive::Run(QSqlDatabase db, const QString &dir, const QDate &since,
                           const TProtocolSettings &settings, TArchiveResult &result, QString *error)
{
    result = TArchiveResult{};
    m_cancel = false;
    // A certificate that cannot be used fails every protocol alike: say it
    // once, before anything is written.
    if (settings.Signature.Enabled()) {
        TPdfSigner signer;
        QString why;
        if (!signer.Load(settings.Signature, &why)) {
            if (error) *error = QStringLiteral("Die Protokolle können nicht unterschrieben werden: ") + why;
            return false;
        }
    }
    QList<int> tests;
    if (!ListTests(db, since, tests, error)) return false;
    if (!QDir().mkpath(dir)) {
        if (error) *error = QStringLiteral("Der Ordner \"%1\" kann nicht angelegt werden.").arg(dir);
        return false;
    }
    const QDir root(dir);
    emit progress(0, int(tests.size()));
    for (qsizetype i = 0; i < tests.size(); ++i) {
        if (m_cancel) {
            result.cancelled = true;
            break;
        }
        TWerteSatz w;
        QString err;
        if (!LoadTestRecord(db, tests[i], true, w, &err)) {
            ++result.failed;
            result.errors << QStringLiteral("Prüfung %1: %2").arg(tests[i]).arg(err);
        } else {
            const QString path = root.filePath(ArchiveRelativePath(w));
            if (QFileInfo::exists(path) || QFileInfo::exists(root.filePath(legacyRelativePath(w)))) {
                ++result.skipped;
            } else if (!QDir().mkpath(QFileInfo(path).path())) {
                ++result.failed;
                result.errors << QStringLiteral("Prüfung %1: Der Ordner \"%2\" kann nicht angelegt werden.")
                                     .arg(tests[i])
                                     .arg(QFileInfo(path).path());
            } else {
                // Written under a temporary name and renamed: a run broken off
                // halfway must not leave a truncated file that the next run
                // would take for done.
                const QString part = path + QStringLiteral(".part");
                if (WriteTestProtocolPdf(w, settings, part, &err) && QFile::rename(part, path)) {
                    ++result.written;
                } else {
                    QFile::remove(part);
                    ++result.failed;
                    result.errors << QStringLiteral("Prüfung %1: %2")
                                         .arg(tests[i])
                                         .arg(err.isEmpty()
                                                  ? QStringLiteral(
                                                        "Die Datei \"%1\" kann nicht angelegt werden.")
                                                        .arg(path)
                                                  : err);
                }
            }
        }
        emit progress(int(i + 1), int(tests.size()));
    }
    return true;
}
