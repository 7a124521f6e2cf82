#pragma once

#include "barcode/BarcodeEncoder.h"
#include "barcode/BarcodeTypes.h"

#include <QColor>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>

struct TBarcodeLook;

// Reads the value of a named field of the current record (a query, a model
// row ...). The control's data binding asks it in DataChange().
using TBarcodeFieldSource = std::function<QVariant(const QString &fieldName)>;

// A barcode control: shows its Text as a one-dimensional symbol when it paints,
// and draws the same symbol on any painter with DrawTo (reports create one for
// the moment, set it up, draw and delete it). Sizes are device pixels of the
// target; nothing is converted.
class TPrintBarcode : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxTextLength = 280;

    explicit TPrintBarcode(QWidget *parent = nullptr);
    ~TPrintBarcode() override;

    QString Text() const { return m_text; }
    void setText(const QString &value); // cut to MaxTextLength characters
    TBarCodeType BarCodeType() const { return m_type; }
    void setBarCodeType(TBarCodeType value);
    QColor BarColor() const { return m_barColor; }
    void setBarColor(const QColor &value);
    // Background: spaces, quiet zones and the rest of the control's area.
    QColor Color() const { return m_color; }
    void setColor(const QColor &value);
    TBDDirection Direction() const { return m_direction; }
    void setDirection(TBDDirection value);

    int ModuleNarrow() const { return m_narrow; }
    void setModuleNarrow(int value); // <= 0 ignored
    int ModuleWide() const { return m_wide; }
    void setModuleWide(int value); // <= 0 ignored
    bool ModuleAuto() const { return m_moduleAuto; }
    void setModuleAuto(bool value);
    double ModuleFactor() const { return m_factor; }
    void setModuleFactor(double value);

    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool value);
    bool BearerBars() const { return m_bearerBars; }
    void setBearerBars(bool value);
    int BearerBarsWidth() const { return m_bearerWidth; }
    void setBearerBarsWidth(int value);
    int LeadInWidth() const { return m_leadIn; }
    void setLeadInWidth(int value); // negative taken as 0
    bool HumanReadable() const { return m_humanReadable; }
    void setHumanReadable(bool value);

    QString DataField() const { return m_dataField; }
    void setDataField(const QString &value);
    const TBarcodeFieldSource &DataSource() const { return m_dataSource; }
    void setDataSource(TBarcodeFieldSource value);
    // The bound record changed: with a field and a source bound, Text takes
    // the field's value (EAN and ITF-14 numbers get their leading zeros back).
    void DataChange();

    int Width() const { return width(); }
    void setWidth(int value) { resize(value, height()); }
    int Height() const { return height(); }
    void setHeight(int value) { resize(width(), value); }

    // Draws the symbol with its top-left corner at `origin`; the painter's pen,
    // brush, font and every other setting survive. With AutoSize the control's
    // Width (Height when vertical) becomes the drawn length.
    void DrawTo(QPainter &canvas, const QPoint &origin);

    // The encoding of the current Text and type, in drawing order.
    TBarSymbol Symbol() const;
    // The length AutoSize would give the control (0 when no bars are drawn).
    int SymbolLength() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    // Fills the control with Color and draws the symbol at (0, 0).
    void Paint(QPainter &canvas);

private:
    TBarcodeLook Look() const;
    void Changed();

    QString m_text = QStringLiteral("1234");
    TBarCodeType m_type = Code39;
    QColor m_barColor = Qt::black;
    QColor m_color = Qt::white;
    TBDDirection m_direction = bdRight;
    int m_narrow = 2;
    int m_wide = 5;
    bool m_moduleAuto = true;
    double m_factor = 2.6;
    bool m_autoSize = true;
    bool m_bearerBars = false;
    int m_bearerWidth = 3;
    int m_leadIn = 20;
    bool m_humanReadable = true;
    QString m_dataField;
    TBarcodeFieldSource m_dataSource;
};

// round(value), halves to the even neighbour, kept to 1 .. a sane maximum so
// that a derived module width never becomes 0, negative or overflows.
int RoundModule(double value);
