#pragma once

#include "controls/ControlTypes.h"
#include "controls/DataSource.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

enum TLEDType { ltRound = 0, ltRect, ltRight, ltLeft, ltUp, ltDown };

// An LED lamp: round, rectangular or a triangle pointing in one of four
// directions, with optional bevels, optionally showing a database field.
class TLEDPaint : public QWidget {
    Q_OBJECT
public:
    explicit TLEDPaint(QWidget *parent = nullptr);

    QColor BackGround() const { return m_background; }
    void setBackGround(const QColor &v);

    TBevelCut BevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(TBevelCut b);
    TBevelCut BevelInner() const { return m_bevelInner; }
    void setBevelInner(TBevelCut b);
    quint8 BevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(quint8 w);
    // BevelWidth for each of the two bevels that is not bvNone.
    int TotalBevelWidth() const { return m_totalBevel; }

    QColor LEDColor() const { return m_ledColor; }
    void setLEDColor(const QColor &v);
    QColor LEDOffColor() const { return m_ledOffColor; }
    void setLEDOffColor(const QColor &v);
    bool LEDOn() const { return m_ledOn; }
    void setLEDOn(bool v);
    TLEDType LEDType() const { return m_ledType; }
    void setLEDType(TLEDType v);
    QColor LEDFrameColor() const { return m_frameColor; }
    void setLEDFrameColor(const QColor &v);
    // 0 = outline in the lamp colour, 1 pixel wide.
    int LEDFrameWidth() const { return m_frameWidth; }
    void setLEDFrameWidth(int v);
    // No bevels and no background (with Qt::WA_OpaquePaintEvent set, the
    // palette's background, so the parent need not repaint under the lamp).
    bool Frameless() const { return m_frameless; }
    void setFrameless(bool v);

    // Bit mask for integer fields; a new mask re-reads the field at once.
    int Maske() const { return m_maske; }
    void setMaske(int m);
    QString DataField() const { return m_dataField; }
    void setDataField(const QString &f);
    TDataSource *DataSource() const { return m_dataSource; }
    void setDataSource(TDataSource *s);

    // The colour the lamp shows now: lit only when on and enabled.
    QColor LampColor() const;

    QSize sizeHint() const override { return QSize(17, 17); }

signals:
    void click(QObject *Sender);
    void dblClick(QObject *Sender);

protected:
    void paintEvent(QPaintEvent *e) override;
    void changeEvent(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;

private:
    void UpdateTotalBevel();
    void DataChange();
    void paintLamp(QPainter &p);
    // A lamp that covers all its pixels is drawn once per look and copied
    // after: status bar lamps blink with every report the tester sends.
    bool Cacheable() const;
    void Invalidate();

    struct CachedLook {
        QPixmap pixmap;
        QColor lamp;
        bool lit = false;
    };
    CachedLook m_cache[2];

    QColor m_background;
    TBevelCut m_bevelOuter = bvRaised;
    TBevelCut m_bevelInner = bvRaised;
    quint8 m_bevelWidth = 1;
    int m_totalBevel = 2;
    QColor m_ledColor = QColor(0xFF, 0, 0);
    QColor m_ledOffColor = QColor(0x80, 0x80, 0x80);
    bool m_ledOn = false;
    TLEDType m_ledType = ltRect;
    QColor m_frameColor = Qt::black;
    int m_frameWidth = 0;
    bool m_frameless = true;
    int m_maske = 0;
    QString m_dataField;
    QPointer<TDataSource> m_dataSource;
    QMetaObject::Connection m_dataConn;
};
