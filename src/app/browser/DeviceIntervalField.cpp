// The device pane's own test interval: kept in a table beside the device,
// so it is read and stored here rather than through the device's row set.

#include "app/browser/DatenanzeigeDlg.h"

#include "app/common/Prompt.h"
#include "store/DeviceInterval.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

void TDatenanzeigeDlg::buildIntervalField(QGridLayout *g, QWidget *box, int row)
{
    PIintMonate = new QLineEdit(box);
    PIintMonate->setObjectName(QStringLiteral("PIintMonate"));
    PIintMonate->setMaxLength(4);
    PIintMonate->setToolTip(QStringLiteral("Eigenes Prüfintervall des Prüflings in Monaten (1 bis 120); "
                                           "leer: das Prüfintervall der Einstellungen."));
    g->addWidget(new QLabel(QStringLiteral("Prüfintervall (Monate):"), box), row, 0);
    g->addWidget(PIintMonate, row, 1);
    connect(PIintMonate, &QLineEdit::editingFinished, this, &TDatenanzeigeDlg::postInterval);
}

void TDatenanzeigeDlg::refreshInterval()
{
    TBrowseSet *s = m_data->Devices;
    // Kept by device number: a device still being inserted has none yet.
    const int device = s->Active() && s->State() != dsInsert ? s->CurrentKey() : 0;
    if (device != m_intervalDevice) {
        m_intervalDevice = device;
        m_intervalMonths = 0;
        m_intervalTable = device != 0 && HasIntervalTable(m_data->Database());
        QString error;
        if (m_intervalTable && !ReadDeviceInterval(m_data->Database(), device, m_intervalMonths, &error))
            fail(error);
        PIintMonate->setText(IntervalMonthsText(m_intervalMonths));
    }
    PIintMonate->setEnabled(device != 0 && m_intervalTable);
}

void TDatenanzeigeDlg::postInterval()
{
    if (m_intervalDevice <= 0 || !PIintMonate->isEnabled()) return;
    int months = 0;
    QString error;
    if (!ParseIntervalMonths(PIintMonate->text(), months, &error)) {
        // The text stays for correcting; the stored interval is unchanged.
        Prompt().Warn(this, error);
        return;
    }
    if (months != m_intervalMonths) {
        if (!WriteDeviceInterval(m_data->Database(), m_intervalDevice, months, &error)) {
            fail(error);
            return;
        }
        m_intervalMonths = months;
    }
    PIintMonate->setText(IntervalMonthsText(months));
}
