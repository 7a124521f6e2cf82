#include "app/browser/SearchHitModel.h"

#include <QLocale>

namespace {
constexpr int kPageHits = 100;
}

TSearchHitModel::TSearchHitModel(QObject *parent) : QAbstractListModel(parent)
{
}

void TSearchHitModel::setSearch(const TBrowserSearch &search)
{
    beginResetModel();
    m_search = search;
    m_pages.clear();
    endResetModel();
}

void TSearchHitModel::clear()
{
    setSearch(TBrowserSearch());
}

int TSearchHitModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_search.Count();
}

TSearchHit TSearchHitModel::Hit(int row) const
{
    if (row < 0 || row >= m_search.Count()) return {};
    const int page = row / kPageHits;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        QList<TSearchHit> hits;
        QString error;
        if (!m_search.Hits(page * kPageHits, kPageHits, hits, &error)) {
            // The rows of a page that cannot be read say so; choosing one goes nowhere.
            TSearchHit failed;
            failed.text =
                QStringLiteral("Treffer nicht lesbar: ") + error.section(QLatin1Char('\n'), 1).simplified();
            hits = QList<TSearchHit>(kPageHits, failed);
        }
        it = m_pages.insert(page, hits);
    }
    return it->value(row % kPageHits);
}

QVariant TSearchHitModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return Hit(index.row()).text;
    case KundenNrRole:
        return Hit(index.row()).kundenNr;
    case PrueflingNrRole:
        return Hit(index.row()).prueflingNr;
    default:
        return {};
    }
}

QString SearchCountText(const TBrowserSearch &search)
{
    const int n = search.Count();
    if (n == 0) return QStringLiteral("Nichts gefunden.");
    QString text = QLocale(QLocale::German).toString(n) + QStringLiteral(" Treffer");
    const int devices = search.DeviceCount(), customers = search.CustomerCount();
    if (devices > 0 && customers > 0)
        text += QStringLiteral(" (%1 %2, %3 %4)")
                    .arg(QLocale(QLocale::German).toString(devices),
                         devices == 1 ? QStringLiteral("Prüfling") : QStringLiteral("Prüflinge"),
                         QLocale(QLocale::German).toString(customers),
                         customers == 1 ? QStringLiteral("Kunde") : QStringLiteral("Kunden"));
    return text;
}
