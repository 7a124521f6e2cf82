// Signed, archival protocol PDFs: the file's own syntax helpers, the
// signature checked by our verifier and by poppler's pdfsig, and the
// refusals that must leave no unsigned file behind.

#include "ProtocolTestSupport.h"
#include "TestCertificate.h"
#include "protocols/PdfSigner.h"
#include "protocols/PdfSyntax.h"
#include "protocols/PrintProtocol.h"
#include "protocols/ProtocolArchive.h"
#include "protocols/Report.h"

#include <QDir>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>

using namespace protocol_test;

namespace {

const QString kSigner = QStringLiteral("Prüfer Müller");
const QString kPassword = QStringLiteral("geheim");

QByteArray readAll(const QString &fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &fileName, const QByteArray &bytes)
{
    QFile f(fileName);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The "emb" column of pdffonts, one entry per font.
QStringList embeddedColumn(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdffonts"), {pdf});
    p.waitForFinished(30000);
    QStringList emb;
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines.mid(2)) {
        const QStringList cols = line.simplified().split(QLatin1Char(' '));
        if (cols.size() >= 5) emb << cols[cols.size() - 5];
    }
    return emb;
}

} // namespace

// ---- the syntax helpers ------------------------------------------------------

TEST(PdfSyntax, DictionariesKeepNestedValuesAndReferences)
{
    const QByteArray d = "<< /Type /Catalog /Pages 7 0 R /Names << /X (a (b) \\) c) /Y <41> >>\n"
                         "/Kids\n[\n10 0 R\n16 0 R\n] % a comment >>\n/N 12 /Last /Name >>";
    pdf::TDict dict;
    qsizetype end = 0;
    ASSERT_TRUE(pdf::ParseDict(d, 0, dict, &end));
    EXPECT_EQ(end, d.size());
    EXPECT_EQ(dict.value("/Type"), "/Catalog");
    EXPECT_EQ(pdf::RefNumber(dict.value("/Pages")), 7);
    EXPECT_EQ(dict.value("/Names"), "<< /X (a (b) \\) c) /Y <41> >>");
    EXPECT_EQ(pdf::RefList(dict.value("/Kids")), (QList<int>{10, 16}));
    EXPECT_EQ(dict.value("/N"), "12"); // a number before a name is no reference
    EXPECT_EQ(dict.value("/Last"), "/Name");
    EXPECT_EQ(d.mid(dict.find("/Pages")->offset, 5), "7 0 R");

    dict.set("/AcroForm", "<< /Fields [] >>");
    dict.set("/N", "13");
    pdf::TDict again;
    ASSERT_TRUE(pdf::ParseDict(dict.Serialized(), 0, again));
    EXPECT_EQ(again.value("/N"), "13");
    EXPECT_EQ(again.value("/Names"), dict.value("/Names"));
    EXPECT_EQ(again.entries.size(), 7);
}

TEST(PdfSyntax, BrokenOrEndlessValuesAreRefused)
{
    pdf::TDict dict;
    EXPECT_FALSE(pdf::ParseDict("<< /A (open", 0, dict));
    EXPECT_FALSE(pdf::ParseDict("<< /A [1 2 ", 0, dict));
    EXPECT_FALSE(pdf::ParseDict("<< 1 2 >>", 0, dict)); // a key must be a name
    EXPECT_FALSE(pdf::ParseDict("[ /A 1 ]", 0, dict));
    EXPECT_EQ(pdf::SkipValue(QByteArray(10000, '['), 0), -1); // no stack overflow
    EXPECT_EQ(pdf::RefNumber("7 0 obj"), -1);
    EXPECT_EQ(pdf::RefList("[1 0 R /X 2]"), QList<int>{1});

    pdf::TXref xref;
    QString error;
    EXPECT_FALSE(pdf::ReadXref("%PDF-1.4\nno table here\n%%EOF", xref, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("beschädigt")));
}

TEST(PdfSyntax, TextStringsRoundTrip)
{
    EXPECT_EQ(pdf::TextString(QStringLiteral("A (1) \\ B")), "(A \\(1\\) \\\\ B)");
    EXPECT_EQ(pdf::TextString(QStringLiteral("Jörg")), "<FEFF004A00F600720067>");
    for (const QString &s : {QStringLiteral("A (1) \\ B"), QStringLiteral("Jörg Straße €"), QString()})
        EXPECT_EQ(pdf::DecodeTextString(pdf::TextString(s)), s);
    EXPECT_EQ(pdf::DecodeTextString("(M\\374ller\\nX)"), QStringLiteral("Müller\nX"));
    EXPECT_EQ(pdf::DecodeTextString("/Name"), QString());
}

// ---- signed files --------------------------------------------------------------

class PdfSignature : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test_cert::haveOpenssl() || !test_cert::havePdfsig() || !pdf_tools::havePoppler())
            GT_SKIP_WITHOUT_TOOL("openssl und poppler-utils (pdfsig, pdfinfo) fehlen");
        ASSERT_TRUE(m_dir.isValid());
        m_settings = settings();
        m_settings.Signature.Certificate = test_cert::Pkcs12(kSigner, kPassword);
        m_settings.Signature.Password = kPassword;
        ASSERT_FALSE(m_settings.Signature.Certificate.isEmpty()) << "openssl made no certificate";
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The signed protocol's bytes, also written to signed.pdf.
    QByteArray signedProtocol()
    {
        QString error;
        EXPECT_TRUE(
            WriteTestProtocolPdf(sample0702(), m_settings, path(QStringLiteral("signed.pdf")), &error))
            << error.toStdString();
        return readAll(path(QStringLiteral("signed.pdf")));
    }

    QTemporaryDir m_dir;
    TProtocolSettings m_settings;
};

TEST_F(PdfSignature, SignedProtocolIsValidArchivalPdf)
{
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    const QByteArray bytes = signedProtocol();
    const QString file = path(QStringLiteral("signed.pdf"));

    const QString report = test_cert::Pdfsig(file);
    EXPECT_TRUE(report.contains(QStringLiteral("Signature is Valid"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Total document signed"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("SHA-256"))) << report.toStdString();
    EXPECT_TRUE(report.contains(kSigner)) << report.toStdString();

    const QString meta = test_cert::PdfinfoMeta(file);
    EXPECT_TRUE(meta.contains(QStringLiteral("pdfaid:part=\"1\""))) << meta.toStdString();
    EXPECT_TRUE(meta.contains(QStringLiteral("pdfaid:conformance=\"B\""))) << meta.toStdString();
    const QStringList emb = embeddedColumn(file);
    EXPECT_FALSE(emb.isEmpty());
    EXPECT_EQ(emb.count(QStringLiteral("yes")), emb.size()) << emb.join(QLatin1Char(' ')).toStdString();
    // The protocol itself is the one that was drawn.
    EXPECT_TRUE(pdf_tools::text(file).contains(QStringLiteral("Bohrmaschine")));

    const TPdfSignatureCheck check = CheckPdfSignature(bytes);
    EXPECT_TRUE(check.found);
    EXPECT_TRUE(check.unchanged) << check.problem.toStdString();
    EXPECT_EQ(check.signer, kSigner);
    EXPECT_GE(check.signedAt, before);
    EXPECT_LE(check.signedAt, QDateTime::currentDateTimeUtc().addSecs(1));
}

TEST_F(PdfSignature, AnyChangedByteIsSeen)
{
    const QByteArray good = signedProtocol();
    ASSERT_TRUE(CheckPdfSignature(good).unchanged);
    const qsizetype stream = good.indexOf("stream\n", good.indexOf("/Type /Page")) + 7 + 20;
    const qsizetype contents = good.lastIndexOf("/Contents <") + 20;
    const qsizetype date = good.lastIndexOf("/M (D:") + 8;
    ASSERT_GT(stream, 27);
    struct Case {
        const char *what;
        qsizetype at;
        char to;
    };
    for (const Case &c :
         {Case{"content stream", stream, 0}, Case{"signing time after the signature", date, 0},
          Case{"signature itself", contents, 0}, Case{"first byte", 0, '!'}}) {
        QByteArray bad = good;
        bad[c.at] = c.to ? c.to : char(bad[c.at] ^ (c.at == date ? 0x01 : 0x10));
        const TPdfSignatureCheck check = CheckPdfSignature(bad);
        EXPECT_FALSE(check.unchanged) << c.what;
        EXPECT_FALSE(check.problem.isEmpty()) << c.what;
    }
    QByteArray bad = good;
    bad[stream] = char(bad[stream] ^ 0x10);
    ASSERT_TRUE(writeAll(path(QStringLiteral("bad.pdf")), bad));
    const QString report = test_cert::Pdfsig(path(QStringLiteral("bad.pdf")));
    EXPECT_FALSE(report.contains(QStringLiteral("Signature is Valid"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Signature #1"))) << report.toStdString();

    // Offsets that no file has, of the same width so the rest stays in place.
    QByteArray forged = good;
    const qsizetype range = forged.lastIndexOf("/ByteRange [") + 12;
    const qsizetype rangeEnd = forged.indexOf(']', range);
    forged.replace(
        range, rangeEnd - range,
        QByteArray("0 1 9223372036854775807 9223372036854775807").leftJustified(rangeEnd - range, ' ', true));
    EXPECT_TRUE(CheckPdfSignature(forged).problem.contains(QStringLiteral("ByteRange")));

    const TPdfSignatureCheck appended = CheckPdfSignature(good + "\n% nachgetragen\n");
    EXPECT_TRUE(appended.found);
    EXPECT_FALSE(appended.unchanged);
    EXPECT_TRUE(appended.problem.contains(QStringLiteral("angehängt"))) << appended.problem.toStdString();
}

TEST_F(PdfSignature, UnusableCertificateLeavesNoFile)
{
    const QString target = path(QStringLiteral("protokoll.pdf"));
    ASSERT_TRUE(writeAll(target, "alt"));
    const QString garbage = path(QStringLiteral("kaputt.p12"));
    ASSERT_TRUE(writeAll(garbage, "kein Zertifikat"));
    struct Case {
        QString certificate;
        QString password;
        QString says;
    };
    const QString good = m_settings.Signature.Certificate;
    for (const Case &c : {Case{good, QStringLiteral("falsch"), QStringLiteral("Passwort")},
                          Case{path(QStringLiteral("fehlt.p12")), kPassword, QStringLiteral("gibt es nicht")},
                          Case{garbage, kPassword, QStringLiteral("PKCS#12")}}) {
        TProtocolSettings s = m_settings;
        s.Signature = {c.certificate, c.password};
        QString error;
        EXPECT_FALSE(WriteTestProtocolPdf(sample0702(), s, target, &error));
        EXPECT_TRUE(error.contains(c.says)) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("nicht unterschrieben"))) << error.toStdString();
        EXPECT_EQ(readAll(target), "alt") << c.says.toStdString();
        EXPECT_FALSE(WriteTestProtocolPdf(sample0702(), s, path(QStringLiteral("neu.pdf")), &error));
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("neu.pdf"))));
    }
    // Nothing half-written lies about either.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 2);
}

// The archive says once that the certificate cannot be used, before it looks
// for tests, instead of failing every protocol with the same reason.
TEST_F(PdfSignature, AnArchiveWithAnUnusableCertificateStopsBeforeWriting)
{
    TProtocolSettings s = m_settings;
    s.Signature.Password = QStringLiteral("falsch");
    TProtocolArchive archive;
    TArchiveResult result;
    QString error;
    const QString dir = path(QStringLiteral("archiv"));
    EXPECT_FALSE(archive.Run(QSqlDatabase(), dir, QDate(), s, result, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nicht unterschrieben"))) << error.toStdString();
    EXPECT_EQ(result.written + result.failed, 0);
    EXPECT_FALSE(QFileInfo::exists(dir));
}

TEST_F(PdfSignature, ASignedFileIsNotSignedAgain)
{
    QByteArray bytes = signedProtocol();
    const QByteArray before = bytes;
    TPdfSigner signer;
    QString error;
    ASSERT_TRUE(signer.Load(m_settings.Signature, &error)) << error.toStdString();
    EXPECT_EQ(signer.SignerName(), kSigner);
    EXPECT_FALSE(signer.Sign(bytes, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Formularfelder"))) << error.toStdString();
    EXPECT_EQ(bytes, before);
}

// Certificates exported by older systems are sealed with RC2 or 3DES.
TEST_F(PdfSignature, OldStyleCertificateFileIsRead)
{
    const QString legacy = test_cert::Pkcs12(kSigner, kPassword, true);
    ASSERT_FALSE(legacy.isEmpty());
    ASSERT_NE(legacy, m_settings.Signature.Certificate);
    TPdfSigner signer;
    QString error;
    ASSERT_TRUE(signer.Load({legacy, kPassword}, &error)) << error.toStdString();
    ASSERT_TRUE(WriteTestProtocolPdf(sample0702(), settings(), path(QStringLiteral("plain.pdf")), &error));
    QByteArray bytes = readAll(path(QStringLiteral("plain.pdf")));
    ASSERT_TRUE(signer.Sign(bytes, &error)) << error.toStdString();
    EXPECT_TRUE(CheckPdfSignature(bytes).unchanged);
    EXPECT_FALSE(signer.Load({legacy, QStringLiteral("falsch")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Passwort"))) << error.toStdString();
}

// The preview draws through its own engine; only "print to file" writes,
// and it writes the signed archival file.
TEST_F(PdfSignature, SavingFromThePreviewSigns)
{
    const QString file = path(QStringLiteral("vorschau.pdf"));
    const TReport report = ProtocolPdfReport(sample0702(), m_settings);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    QPrintPreviewWidget preview(&printer);
    QString why;
    int painted = 0;
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter *p) {
        ++painted;
        EXPECT_TRUE(report.Print(*p, &why)) << why.toStdString();
    });
    preview.updatePreview();
    EXPECT_GE(painted, 1);
    EXPECT_FALSE(QFileInfo::exists(file));
    preview.print();
    const TPdfSignatureCheck check = CheckPdfSignature(readAll(file));
    EXPECT_TRUE(check.unchanged) << check.problem.toStdString();
    EXPECT_TRUE(test_cert::PdfinfoMeta(file).contains(QStringLiteral("pdfaid:part=\"1\"")));

    // A certificate that cannot sign: the reason, and no file at all.
    TProtocolSettings wrong = m_settings;
    wrong.Signature.Password = QStringLiteral("falsch");
    const TReport refused = ProtocolPdfReport(sample0702(), wrong);
    printer.setOutputFileName(path(QStringLiteral("nie.pdf")));
    EXPECT_FALSE(refused.Print(printer, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("Passwort"))) << why.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("nie.pdf"))));
}

TEST(PdfArchival, WithoutCertificateTheProtocolIsUnsignedPdfA)
{
    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlt");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.pdf"));
    QString error;
    ASSERT_TRUE(WriteTestProtocolPdf(sample0751(1), settings(), file, &error)) << error.toStdString();
    const QByteArray bytes = readAll(file);
    const TPdfSignatureCheck check = CheckPdfSignature(bytes);
    EXPECT_FALSE(check.found);
    EXPECT_FALSE(check.unchanged);
    EXPECT_FALSE(bytes.contains("/AcroForm"));
    EXPECT_TRUE(test_cert::PdfinfoMeta(file).contains(QStringLiteral("pdfaid:conformance=\"B\"")));
}
