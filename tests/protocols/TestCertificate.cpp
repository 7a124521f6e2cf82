#include "TestCertificate.h"

#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace test_cert {

namespace {

bool runOk(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool finished = p.waitForFinished(60000);
    if (output) *output = QString::fromUtf8(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

bool haveOpenssl()
{
    return !QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty();
}

bool havePdfsig()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdfsig")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

QString Pkcs12(const QString &commonName, const QString &password, bool legacy)
{
    const QDir cache(gt_test::buildDir() + QStringLiteral("/test-certificates"));
    const QString p12 = cache.filePath(
        QString::fromLatin1(QCryptographicHash::hash((commonName + QLatin1Char('\n') + password +
                                                      QLatin1String(legacy ? "\nlegacy" : ""))
                                                         .toUtf8(),
                                                     QCryptographicHash::Sha256)
                                .toHex()
                                .left(16)) +
        QStringLiteral(".p12"));
    if (QFileInfo::exists(p12)) return p12;
    // Made aside and renamed: tests running at the same time never see half a file.
    if (!cache.mkpath(QStringLiteral("."))) return {};
    const QTemporaryDir work(cache.filePath(QStringLiteral("make-XXXXXX")));
    if (!work.isValid()) return {};
    const QString key = work.filePath(QStringLiteral("key.pem"));
    const QString cert = work.filePath(QStringLiteral("cert.pem"));
    const QString made = work.filePath(QStringLiteral("signatur.p12"));
    const QString openssl = QStringLiteral("openssl");
    if (!runOk(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                         QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
                         QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("30"),
                         QStringLiteral("-utf8"), QStringLiteral("-subj"),
                         QStringLiteral("/O=Elektro Kunz/CN=") + commonName}))
        return {};
    QStringList exportArgs = {QStringLiteral("pkcs12"),   QStringLiteral("-export"),
                              QStringLiteral("-inkey"),   key,
                              QStringLiteral("-in"),      cert,
                              QStringLiteral("-out"),     made,
                              QStringLiteral("-passout"), QStringLiteral("pass:") + password};
    if (legacy) exportArgs << QStringLiteral("-legacy");
    if (!runOk(openssl, exportArgs)) return {};
    if (!QFile::rename(made, p12) && !QFileInfo::exists(p12)) return {};
    return p12;
}

QString Pdfsig(const QString &pdf)
{
    QString out;
    runOk(QStringLiteral("pdfsig"), {pdf}, &out);
    return out;
}

QString PdfinfoMeta(const QString &pdf)
{
    QString out;
    runOk(QStringLiteral("pdfinfo"), {QStringLiteral("-meta"), pdf}, &out);
    return out;
}

} // namespace test_cert
