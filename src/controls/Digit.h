#pragma once

#include "controls/ControlTypes.h"
#include "controls/DigitGlyphs.h"

#include <QPointer>
#include <QWidget>

// One character cell of a seven-segment LCD readout. Cells form a chain through
// nextDigit (the cell to the left): text given to the rightmost cell spreads
// over the chain, one character per cell from the right.
class TDigit : public QWidget {
    Q_OBJECT
public:
    explicit TDigit(QWidget *parent = nullptr);

    TAlign Align() const { return m_align; }
    void setAlign(TAlign a);

    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment a);

    // Keeps the cell at the glyph size (17 x 27 at scale 1).
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    QColor Color() const { return m_color; }
    void setColor(const QColor &c);

    TDigit *nextDigit() const { return m_next; }
    void setNextDigit(TDigit *d); // a cell cannot be its own neighbour

    QString Data() const { return m_data; }
    void setData(const QString &text);

    int OffsetX() const { return m_offsetX; }
    void setOffsetX(int x);
    int OffsetY() const { return m_offsetY; }
    void setOffsetY(int y);

    // Glyph size factor (1 = 17 x 27); lets a panel show larger readouts.
    qreal Scale() const { return m_scale; }
    void setScale(qreal s);

    // The glyph this cell shows: that of the last character of Data.
    TGlyph Glyph() const { return GlyphForText(m_data); }

    QSize sizeHint() const override;

    // Builds a chain of `count` cells in `parent`, laid out left to right at
    // `topLeft`, and returns the rightmost one (the one that takes the text).
    static TDigit *CreateChain(QWidget *parent, int count, QPoint topLeft = {}, qreal scale = 1.0);

protected:
    void paintEvent(QPaintEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QSize GlyphSize() const;
    void ApplyAlign();
    void ApplyAutoSize();

    TAlign m_align = alNone;
    TAlignment m_alignment = taLeftJustify;
    bool m_autoSize = false;
    QColor m_color = QColor(0xC0, 0xC0, 0x40);
    QPointer<TDigit> m_next; // cleared when the neighbour goes away
    QString m_data = QStringLiteral("8");
    int m_offsetX = 0;
    int m_offsetY = 0;
    qreal m_scale = 1.0;
    bool m_passing = false; // guards against a chain that loops back
};
