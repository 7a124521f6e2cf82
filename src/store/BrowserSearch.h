#pragma once

// The search above the browser's panes: the device whose barcode is the text,
// else every device and customer that contains it. The hits are counted first
// and read a page at a time, so a search with thousands of hits tells how many
// there are and each of them can be reached.

#include <QList>
#include <QSqlDatabase>
#include <QString>

// A hit of the search above the panes.
struct TSearchHit {
    int kundenNr = 0;
    int prueflingNr = 0; // 0: a customer hit
    QString text;        // what the hit list shows
    bool exact = false;  // the barcode equals the searched text
};

class TBrowserSearch {
public:
    // Counts the hits of text (letter case ignored, wildcards taken
    // literally). False with a German message when the database refuses.
    bool Run(const QSqlDatabase &db, const QString &text, QString *error = nullptr);

    const QString &Text() const { return m_text; }
    // Devices first (by number), then customers (by number).
    int Count() const { return m_devices + m_customers; }
    int DeviceCount() const { return m_devices; }
    int CustomerCount() const { return m_customers; }
    // The text is a device's barcode: that device is the one hit.
    bool Exact() const { return m_exact; }

    // Hits from (0-based) on, at most n. False with a message on a failure.
    bool Hits(int from, int n, QList<TSearchHit> &hits, QString *error = nullptr) const;

private:
    bool count(const QStringList &lines, int binds, int &n, QString *error) const;
    bool page(const QStringList &lines, int binds, int offset, int n, bool device, QList<TSearchHit> &hits,
              QString *error) const;

    QSqlDatabase m_db;
    QString m_text;    // trimmed search text
    QString m_pattern; // LIKE pattern, lower case, wildcards escaped
    int m_devices = 0;
    int m_customers = 0;
    bool m_exact = false;
};
