#include "QtPrinters.h"
#include "controls/LEDPaint.h"
#include "core/FieldRoles.h"
#include "store/FieldQueryModel.h"

#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace {

QImage Render(QWidget &w, qreal dpr = 1)
{
    QImage img(w.size() * dpr, QImage::Format_ARGB32);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::magenta);                                      // shows where nothing was drawn
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren); // no window background
    return img;
}

QColor At(const QImage &img, int x, int y)
{
    return QColor(img.pixel(x, y));
}

QColor Rgb(const QColor &c)
{
    return QColor(c.rgb()); // 8 bits per channel, as in the image
}

// A table with a Boolean column "Bln" and an integer column "Int".
struct Table {
    QStandardItemModel model{0, 2};
    TDataSource source;
    Table()
    {
        model.setHorizontalHeaderLabels({QStringLiteral("Bln"), QStringLiteral("Int")});
        source.setModel(&model);
    }
    int Add(bool b, int i)
    {
        auto *bi = new QStandardItem;
        bi->setData(b, Qt::EditRole);
        auto *ii = new QStandardItem;
        ii->setData(i, Qt::EditRole);
        model.appendRow({bi, ii});
        return model.rowCount() - 1;
    }
};

} // namespace

TEST(LEDPaint, DefaultsAndTotalBevelWidth)
{
    TLEDPaint led;
    EXPECT_EQ(led.geometry(), QRect(0, 0, 17, 17));
    EXPECT_EQ(led.LEDType(), ltRect);
    EXPECT_TRUE(led.Frameless());
    EXPECT_EQ(led.LEDColor(), QColor(Qt::red));
    EXPECT_EQ(led.LEDOffColor(), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(led.TotalBevelWidth(), 2);
    led.setBevelInner(bvNone);
    EXPECT_EQ(led.TotalBevelWidth(), 1);
    led.setBevelWidth(3);
    EXPECT_EQ(led.TotalBevelWidth(), 3);
    led.setBevelOuter(bvNone);
    EXPECT_EQ(led.TotalBevelWidth(), 0);
    led.setBevelInner(bvSpace);
    EXPECT_EQ(led.TotalBevelWidth(), 3);
}

TEST(LEDPaint, LitOnlyWhenEnabled)
{
    TLEDPaint led;
    led.setLEDOn(true);
    EXPECT_EQ(At(Render(led), 8, 8), QColor(Qt::red));
    led.setEnabled(false);
    EXPECT_EQ(led.LampColor(), led.LEDOffColor());
    EXPECT_EQ(At(Render(led), 8, 8), QColor(0x80, 0x80, 0x80));
    led.setEnabled(true);
    led.setLEDOn(false);
    EXPECT_EQ(At(Render(led), 8, 8), QColor(0x80, 0x80, 0x80));
}

TEST(LEDPaint, RectangleFrameFollowsTheBevels)
{
    TLEDPaint led;
    led.setLEDOn(true);
    // Frameless: the lamp sits inside the two 1-pixel bevel allowances.
    QImage img = Render(led);
    EXPECT_EQ(At(img, 0, 0), QColor(Qt::magenta)); // nothing drawn there
    EXPECT_EQ(At(img, 2, 2), QColor(Qt::black));   // raised inner bevel: black top-left
    EXPECT_EQ(At(img, 14, 14), QColor(Qt::white));
    EXPECT_EQ(At(img, 3, 3), QColor(Qt::red));

    led.setBevelInner(bvLowered);
    img = Render(led);
    EXPECT_EQ(At(img, 2, 2), QColor(Qt::white));
    EXPECT_EQ(At(img, 14, 14), QColor(Qt::black));

    led.setBevelInner(bvNone); // follows the outer bevel; total width now 1
    led.setBevelOuter(bvLowered);
    img = Render(led);
    EXPECT_EQ(At(img, 1, 1), QColor(Qt::white));
    led.setBevelOuter(bvRaised);
    img = Render(led);
    EXPECT_EQ(At(img, 1, 1), QColor(Qt::black));

    // With a frame: bevels and background are drawn around the lamp.
    led.setFrameless(false);
    led.setBackGround(QColor(Qt::blue));
    led.setBevelInner(bvSpace);
    img = Render(led);
    EXPECT_EQ(At(img, 0, 0), Rgb(led.palette().color(QPalette::Light)));
    EXPECT_EQ(At(img, 16, 16), Rgb(led.palette().color(QPalette::Dark)));
    EXPECT_EQ(At(img, 8, 8), QColor(Qt::red));
}

TEST(LEDPaint, TrianglesPointTheirWay)
{
    TLEDPaint led;
    led.setLEDOn(true);
    led.setBackGround(Qt::blue);
    led.setFrameless(false);
    led.setBevelOuter(bvNone);
    led.setBevelInner(bvNone);
    struct Case {
        TLEDType type;
        QPoint lit, dark;
    };
    // Each triangle lights its base edge's middle and leaves the corners beside its tip dark.
    for (const Case &c : {Case{ltUp, {8, 14}, {2, 2}}, Case{ltDown, {8, 2}, {2, 14}},
                          Case{ltRight, {2, 8}, {14, 2}}, Case{ltLeft, {14, 8}, {2, 14}}}) {
        SCOPED_TRACE(int(c.type));
        led.setLEDType(c.type);
        const QImage img = Render(led, 2);
        EXPECT_EQ(At(img, c.lit.x() * 2, c.lit.y() * 2), QColor(Qt::red));
        EXPECT_EQ(At(img, c.dark.x() * 2, c.dark.y() * 2), QColor(Qt::blue));
    }
}

TEST(LEDPaint, StatusBarArrowFitsItsEightBySixCell)
{
    TLEDPaint led;
    led.resize(8, 6);
    led.setBevelWidth(0);
    led.setLEDColor(QColor(0, 0xFF, 0));
    led.setLEDOffColor(Qt::black);
    led.setLEDType(ltUp);
    led.setLEDOn(true);
    const QImage img = Render(led, 2);
    EXPECT_EQ(At(img, 9, 9), QColor(0, 0xFF, 0)); // inside the arrow
    // The shape stays within the control.
    int inkAtEdge = 0;
    for (int x = 0; x < img.width(); ++x)
        inkAtEdge += At(img, x, 0) != QColor(Qt::magenta);
    EXPECT_EQ(inkAtEdge, 0);
}

TEST(LEDPaint, RoundLampWithGlint)
{
    TLEDPaint led;
    led.setLEDType(ltRound);
    led.setLEDOn(true);
    led.resize(24, 24);
    const QImage img = Render(led);
    EXPECT_EQ(At(img, 14, 15), QColor(Qt::red));
    EXPECT_EQ(At(img, 2, 2), QColor(Qt::magenta)); // outside the circle
    // The glint adds light pixels in the upper left quarter only.
    auto light = [&](int x0, int y0) {
        int n = 0;
        for (int y = y0; y < y0 + 12; ++y)
            for (int x = x0; x < x0 + 12; ++x) {
                const QColor c = At(img, x, y);
                n += c.green() > 0xA0 && c.blue() > 0xA0 && c != QColor(Qt::magenta);
            }
        return n;
    };
    EXPECT_GT(light(0, 0), 0);
    EXPECT_EQ(light(12, 12), 0);

    led.setLEDFrameWidth(2);
    led.setLEDFrameColor(Qt::blue);
    EXPECT_EQ(At(Render(led), 12, 4), QColor(Qt::blue)); // top of the outline
}

TEST(LEDPaint, FollowsABoundField)
{
    Table t;
    const int on = t.Add(true, 7);
    const int off = t.Add(false, 24);
    TLEDPaint led;
    led.setDataSource(&t.source);
    led.setMaske(8);
    led.setDataField(QStringLiteral("Bln"));
    t.source.setCurrentRow(on);
    EXPECT_TRUE(led.LEDOn()); // a Boolean field ignores the mask
    t.source.setCurrentRow(off);
    EXPECT_FALSE(led.LEDOn());

    led.setDataField(QStringLiteral("Int"));
    EXPECT_TRUE(led.LEDOn()); // 24 & 8
    t.source.setCurrentRow(on);
    EXPECT_FALSE(led.LEDOn()); // 7 & 8
    led.setMaske(4);           // a new mask re-reads at once
    EXPECT_TRUE(led.LEDOn());
    t.model.setData(t.model.index(on, 1), 8); // editing the current row
    EXPECT_FALSE(led.LEDOn());

    // Without a source nothing changes.
    TLEDPaint loose;
    loose.setLEDOn(true);
    loose.setDataField(QStringLiteral("Int"));
    loose.setMaske(1);
    EXPECT_TRUE(loose.LEDOn());
    led.setDataSource(nullptr);
    led.setLEDOn(true);
    t.source.setCurrentRow(off);
    EXPECT_TRUE(led.LEDOn());
}

TEST(LEDPaint, SqlBooleanColumnIsBoolean)
{
    auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("led-test"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    ASSERT_TRUE(db.open());
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE t (PRblnAuto BOOLEAN, PRintFlags INTEGER)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO t VALUES (1, 2)")));
        TFieldQueryModel model; // the database side names the fields for the controls
        model.setQuery(QStringLiteral("SELECT PRblnAuto, PRintFlags FROM t"), db);
        model.setHeaderData(0, Qt::Horizontal, QStringLiteral("Automatik")); // captions do not hide names
        TDataSource src;
        src.setModel(&model);
        src.setCurrentRow(0);
        EXPECT_TRUE(src.FieldIsBoolean(QStringLiteral("PRblnAuto")));
        EXPECT_FALSE(src.FieldIsBoolean(QStringLiteral("PRintFlags")));
        TLEDPaint led;
        led.setDataSource(&src);
        led.setDataField(QStringLiteral("PRblnAuto")); // mask 0 would read an integer as false
        EXPECT_TRUE(led.LEDOn());
        led.setDataField(QStringLiteral("PRintFlags"));
        EXPECT_FALSE(led.LEDOn());
        led.setMaske(2);
        EXPECT_TRUE(led.LEDOn());
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("led-test"));
}

// Any model can name its fields for the controls: a caption does not hide the
// name, and a declared Boolean stays Boolean while its value is NULL.
TEST(LEDPaint, AModelNamesItsFieldsThroughTheHeaderRoles)
{
    QStandardItemModel model{1, 2};
    model.setHeaderData(0, Qt::Horizontal, QStringLiteral("Automatik"));
    model.setHeaderData(0, Qt::Horizontal, QStringLiteral("PRblnAuto"), field_roles::Name);
    model.setHeaderData(0, Qt::Horizontal, int(QMetaType::Bool), field_roles::Type);
    model.setHeaderData(1, Qt::Horizontal, QStringLiteral("PRintFlags"));
    model.setData(model.index(0, 1), 2);
    TDataSource src;
    src.setModel(&model);
    src.setCurrentRow(0);
    EXPECT_EQ(src.FieldColumn(QStringLiteral("PRblnAuto")), 0);
    EXPECT_EQ(src.FieldColumn(QStringLiteral("Automatik")), 0);
    EXPECT_TRUE(src.FieldIsBoolean(QStringLiteral("PRblnAuto")));
    EXPECT_FALSE(src.FieldIsBoolean(QStringLiteral("PRintFlags")));
    EXPECT_EQ(EvaluateFieldState(&src, QStringLiteral("PRblnAuto"), 0), false);
    model.setData(model.index(0, 0), true);
    EXPECT_EQ(EvaluateFieldState(&src, QStringLiteral("PRblnAuto"), 0), true);
    EXPECT_EQ(EvaluateFieldState(&src, QStringLiteral("PRintFlags"), 2), true);
    EXPECT_FALSE(EvaluateFieldState(&src, QStringLiteral("Fehlt"), 2).has_value());
}

// Lamps that cover all their pixels are drawn once per look and copied after:
// every look must still match a lamp drawn afresh, and every change of a
// property, the size or the palette must show at once.
TEST(LEDPaint, CopiedLookMatchesAFreshDrawingAfterEveryChange)
{
    auto configure = [](TLEDPaint &led, bool opaque) {
        led.setLEDType(ltRound);
        led.resize(20, 20);
        if (opaque)
            led.setAttribute(Qt::WA_OpaquePaintEvent);
        else
            led.setFrameless(false);
    };
    for (const bool opaque : {true, false}) {
        SCOPED_TRACE(opaque ? "opaque frameless" : "framed");
        TLEDPaint led;
        configure(led, opaque);
        for (int blink = 0; blink < 3; ++blink)
            for (const bool on : {true, false}) {
                led.setLEDOn(on);
                TLEDPaint fresh;
                configure(fresh, opaque);
                fresh.setLEDOn(on);
                EXPECT_EQ(Render(led), Render(fresh)) << "blink " << blink << " on " << on;
            }
        led.setLEDOn(true);
        Render(led);
        led.setLEDColor(Qt::green);
        EXPECT_EQ(At(Render(led), 12, 13), QColor(Qt::green));
        led.setEnabled(false);
        EXPECT_EQ(At(Render(led), 12, 13), QColor(0x80, 0x80, 0x80));
        led.setEnabled(true);
        led.resize(30, 30);
        EXPECT_EQ(At(Render(led), 20, 20), QColor(Qt::green)); // outside the old size
        QPalette pal = led.palette();
        pal.setColor(QPalette::Button, Qt::yellow);
        pal.setColor(QPalette::Window, Qt::yellow);
        led.setPalette(pal);
        if (opaque) {
            EXPECT_EQ(At(Render(led), 0, 0), QColor(Qt::yellow)); // background laid anew
        }
        // A finer device than the screen gets a finer drawing, not a scaled one.
        TLEDPaint fresh;
        configure(fresh, opaque);
        fresh.setPalette(pal);
        fresh.resize(30, 30);
        fresh.setLEDColor(Qt::green);
        fresh.setLEDOn(true);
        EXPECT_EQ(Render(led, 2), Render(fresh, 2));
    }
}
