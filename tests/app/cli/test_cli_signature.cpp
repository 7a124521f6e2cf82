// Signed protocols from the command line: the certificate named in the
// settings file signs --protocol-pdf and the archive, --verify-pdf tells a
// file that is as signed from one that is not.

#include "StoreTestDb.h"
#include "TestCertificate.h"
#include "app/cli/CliPdfArchive.h"
#include "app/cli/CliProtocolPdf.h"
#include "app/cli/CliVerifyPdf.h"
#include "protocols/PdfSigner.h"
#include "support/ProgramIniScope.h"
#include "support/RequireTool.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString kProgram = QStringLiteral("geraetetester");
const QString kSigner = QStringLiteral("Werkstatt Kunz");

QByteArray readAll(const QString &fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CliSignature : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test_cert::haveOpenssl() || !test_cert::havePdfsig())
            GT_SKIP_WITHOUT_TOOL("openssl und pdfsig (poppler-utils) fehlen");
        db = std::make_unique<TTestDb>(TTestEngine::SQLite);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        iniScope.useDatabase(db->connectionString());
        db->addCustomer(1, QStringLiteral("Stadtwerke"));
        db->addDevice(10, 1, QStringLiteral("Bohrer"), QStringLiteral("0612"));
        db->addDevice(11, 1, QStringLiteral("Lampe"));
        db->addTest(100, 10, QDateTime(QDate(2026, 3, 2), QTime(9, 0)));
        db->addTest(101, 11, QDateTime(QDate(2026, 3, 3), QTime(10, 0)));
        // Beside the settings file, named without a folder: found there.
        const QString made = test_cert::Pkcs12(kSigner, QStringLiteral("geheim"));
        ASSERT_FALSE(made.isEmpty());
        const QString beside = QFileInfo(iniScope.path()).dir().filePath(QStringLiteral("werkstatt.p12"));
        ASSERT_TRUE(QFile::copy(made, beside));
        sign(QStringLiteral("werkstatt.p12"), QStringLiteral("geheim"));
    }
    void sign(const QString &certificate, const QString &password) const
    {
        TIniFile ini(iniScope.path());
        ini.WriteString(QStringLiteral("Signatur"), QStringLiteral("Zertifikat"), certificate);
        ini.WriteString(QStringLiteral("Signatur"), QStringLiteral("Passwort"), password);
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QStringList archived() const
    {
        QStringList files;
        for (QDirIterator it(path("archiv"), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            files << it.next();
        return files;
    }

    QTemporaryDir dir;
    gt_test::TProgramIniScope iniScope;
    std::unique_ptr<TTestDb> db;
};

TEST_F(CliSignature, ProtocolAndArchiveAreSignedAndVerified)
{
    EXPECT_EQ(RunProtocolPdfCommand(
                  {kProgram, QStringLiteral("--protocol-pdf"), QStringLiteral("100"), path("p.pdf")}),
              0);
    EXPECT_EQ(RunVerifyPdfCommand({kProgram, QStringLiteral("--verify-pdf"), path("p.pdf")}), 0);

    EXPECT_EQ(RunPdfArchiveCommand({kProgram, QStringLiteral("--pdf-archive"), path("archiv")}), 0);
    const QStringList files = archived();
    ASSERT_EQ(files.size(), 2);
    for (const QString &f : files) {
        const TPdfSignatureCheck check = CheckPdfSignature(readAll(f));
        EXPECT_TRUE(check.unchanged) << f.toStdString() << ": " << check.problem.toStdString();
        EXPECT_EQ(check.signer, kSigner);
    }
    // Details of what pdfsig says are the protocol tests' business.
    EXPECT_TRUE(test_cert::Pdfsig(files.first()).contains(QStringLiteral("Signature is Valid")));

    // One byte of the drawing changed: no longer what was signed.
    QByteArray bytes = readAll(path("p.pdf"));
    const qsizetype at = bytes.indexOf("stream\n") + 30;
    bytes[at] = char(bytes[at] ^ 0x01);
    QFile bad(path("bad.pdf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(bytes);
    bad.close();
    EXPECT_EQ(RunVerifyPdfCommand({kProgram, QStringLiteral("--verify-pdf"), path("bad.pdf")}), 1);
}

TEST_F(CliSignature, UnusableCertificateFailsWithoutFiles)
{
    sign(QStringLiteral("werkstatt.p12"), QStringLiteral("falsch"));
    EXPECT_EQ(RunProtocolPdfCommand(
                  {kProgram, QStringLiteral("--protocol-pdf"), QStringLiteral("100"), path("p.pdf")}),
              1);
    EXPECT_FALSE(QFileInfo::exists(path("p.pdf")));
    EXPECT_EQ(RunPdfArchiveCommand({kProgram, QStringLiteral("--pdf-archive"), path("archiv")}), 1);
    EXPECT_TRUE(archived().isEmpty()) << archived().join(QLatin1Char(' ')).toStdString();

    // Without a certificate the protocol is written unsigned, as ever.
    sign(QString(), QString());
    EXPECT_EQ(RunProtocolPdfCommand(
                  {kProgram, QStringLiteral("--protocol-pdf"), QStringLiteral("100"), path("p.pdf")}),
              0);
    EXPECT_EQ(RunVerifyPdfCommand({kProgram, QStringLiteral("--verify-pdf"), path("p.pdf")}), 1);
    EXPECT_EQ(RunVerifyPdfCommand({kProgram, QStringLiteral("--verify-pdf"), path("fehlt.pdf")}), 1);
    EXPECT_EQ(RunVerifyPdfCommand({kProgram, QStringLiteral("--verify-pdf")}), 1);
}

} // namespace
