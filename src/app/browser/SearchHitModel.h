#pragma once

// The hits of a browser search as a list: as many rows as there are hits,
// each read with its page only when the list shows it.

#include "store/BrowserSearch.h"

#include <QAbstractListModel>
#include <QHash>

class TSearchHitModel : public QAbstractListModel {
public:
    enum Role { KundenNrRole = Qt::UserRole, PrueflingNrRole };

    explicit TSearchHitModel(QObject *parent = nullptr);

    // Shows the hits of a search that has run.
    void setSearch(const TBrowserSearch &search);
    void clear();
    const TBrowserSearch &Search() const { return m_search; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // The hit of a row (empty when it cannot be read).
    TSearchHit Hit(int row) const;

private:
    TBrowserSearch m_search;
    mutable QHash<int, QList<TSearchHit>> m_pages; // page number -> hits
};

// "Nichts gefunden.", "1 Treffer", "1.234 Treffer" …
QString SearchCountText(const TBrowserSearch &search);
