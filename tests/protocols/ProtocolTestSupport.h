#pragma once

// Records, settings and the PDF fixture shared by the protocol tests.

#include "PdfTools.h"
#include "core/FormatSettings.h"
#include "protocols/ProtocolForms.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace protocol_test {

inline TWerteSatz sample0702()
{
    TWerteSatz w;
    w.Name1 = QStringLiteral("Elektro Schäfer GmbH");
    w.Strasse = QStringLiteral("Hauptstraße 5");
    w.LKZ = QStringLiteral("D");
    w.PLZ = QStringLiteral("12345");
    w.Ort = QStringLiteral("Berlin");
    w.Bezeichnung = QStringLiteral("Bohrmaschine");
    w.Typ = QStringLiteral("BM 500");
    w.Inventarnummer = QStringLiteral("INV-77");
    w.Fabrikationsnummer = QStringLiteral("F-1001");
    w.Seriennummer = QStringLiteral("S-2002");
    w.Barcode = QStringLiteral("12345678");
    w.Datum = QDateTime(QDate(2003, 2, 1), QTime(10, 30));
    w.GTSeriennummer = QStringLiteral("04711");
    w.Schutzklasse = 1;
    w.DINVDE = 1;
    w.IsolDiff = 1;
    w.MitBeruehr = false;
    w.Schutzleiterwid = 120;
    w.Isolationswid = 5500;
    w.Ableitstrom = 35;
    w.GrwSchutzleiterwid = 300;
    w.GrwIsolationswid = 1000;
    w.GrwAbleitstrom = 700;
    w.Sichtpruef = 1;
    w.FunktPruefBest = 1;
    w.Pruefungsergebnis = true;
    w.Pruefer = QStringLiteral("Hans Prüfer");
    w.Bewertender = QStringLiteral("Eva Bewerter");
    w.Notiz = QStringLiteral("Kabel erneuert");
    DeriveFields(w, false);
    return w;
}

inline TWerteSatz sample0751(int protokolltyp)
{
    TWerteSatz w = sample0702();
    w.DINVDE = 2;
    w.Protokolltyp = protokolltyp;
    w.ProtokollNr = QStringLiteral("P-0815");
    w.Hersteller = QStringLiteral("Medizintechnik AG");
    DeriveFields(w, false);
    return w;
}

inline TProtocolSettings settings()
{
    TProtocolSettings s;
    s.TopLine = {QStringLiteral("Elektro Kunz"), QStringLiteral("Werkstattweg 1"), QString(),
                 QStringLiteral("99999 Prüfstadt"), QStringLiteral("Tel. 0123 4567")};
    s.BottomLine = {QStringLiteral("Fuß links oben"), QStringLiteral("Fuß links unten"),
                    QStringLiteral("Fuß Mitte"), QStringLiteral("Fuß rechts oben"),
                    QStringLiteral("Fuß rechts unten")};
    return s;
}

inline QList<TSichtPr> rows(int count, int bestanden = 1)
{
    QList<TSichtPr> list;
    for (int i = 1; i <= count; ++i)
        list << TSichtPr{i, bestanden, QStringLiteral("Teil %1").arg(i), QStringLiteral("Prüfung %1").arg(i)};
    return list;
}

// Collapses runs of blanks so the checks do not depend on column widths.
inline QString squeeze(const QString &s)
{
    return QString(s).replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

class ProtocolPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
        ASSERT_TRUE(m_dir.isValid());
        InitFormatSettings();
    }

    QString write(const TWerteSatz &w, const TProtocolSettings &s = settings())
    {
        const QString file = m_dir.filePath(QStringLiteral("p%1.pdf").arg(m_count++));
        QString error;
        EXPECT_TRUE(WriteTestProtocolPdf(w, s, file, &error)) << error.toStdString();
        return file;
    }

    // Whether the 12 x 12 check box at design position (x, y) of the first
    // band carries its X: the centre of the box is dark only then.
    bool boxChecked(const QString &pdf, double x, double y)
    {
        const int dpi = 192;
        if (pdf != m_renderedPdf) {
            m_rendered = QImage(
                pdf_tools::renderPng(pdf, 1, dpi, m_dir.filePath(QStringLiteral("box%1").arg(m_count++))));
            m_renderedPdf = pdf;
        }
        const QImage &img = m_rendered;
        EXPECT_FALSE(img.isNull());
        const double s = dpi / 96.0;
        const int cx = qRound((MmToPx(30) + x + 6) * s);
        const int cy = qRound((MmToPx(25) + y + 6) * s);
        int dark = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (qGray(img.pixel(cx + dx, cy + dy)) < 128) ++dark;
        return dark > 0;
    }

    QTemporaryDir m_dir;
    int m_count = 0;
    QString m_renderedPdf;
    QImage m_rendered;
};

} // namespace protocol_test
