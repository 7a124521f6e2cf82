#include "app/shell/HelpWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

// The pages live in a static library: its resources must be registered by hand.
static void initHelpResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

const QString kRoot = QStringLiteral("qrc:/help/");

QString pagePlainText(const QString &file)
{
    initHelpResources();
    QFile f(QStringLiteral(":/help/") + file);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    return doc.toPlainText();
}

} // namespace

const QList<THelpWindow::Page> &THelpWindow::Pages()
{
    static const QList<Page> pages = {
        {QStringLiteral("index.html"), QStringLiteral("Übersicht")},
        {QStringLiteral("verbinden.html"), QStringLiteral("Verbindung zum Gerätetester")},
        {QStringLiteral("frontplatte.html"), QStringLiteral("Gerätetester-Anzeige und Einstellungen")},
        {QStringLiteral("datenabruf.html"), QStringLiteral("Daten abrufen")},
        {QStringLiteral("datenanzeige.html"), QStringLiteral("Gespeicherte Daten")},
        {QStringLiteral("protokolle.html"), QStringLiteral("Prüfprotokolle")},
        {QStringLiteral("barcodes.html"), QStringLiteral("Barcodes")},
        {QStringLiteral("einstellungen.html"), QStringLiteral("Einstellungen und Konfigurationsdatei")},
        {QStringLiteral("betrieb.html"), QStringLiteral("Installation, Daten und Sicherung")},
        {QStringLiteral("hilfe.html"), QStringLiteral("Hilfe benutzen")},
    };
    return pages;
}

THelpWindow::THelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    initHelpResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Gerätetester - Hilfe"));
    resize(820, 560);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("SearchEdit"));
    m_search->setPlaceholderText(QStringLiteral("Suchbegriff eingeben"));
    m_search->setClearButtonEnabled(true);
    m_index = new QListWidget(this);
    m_index->setObjectName(QStringLiteral("IndexList"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenLinks(true);
    m_browser->setSearchPaths({QStringLiteral(":/help")});

    auto *left = new QWidget(this);
    auto *lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->addWidget(new QLabel(QStringLiteral("&Suchen:"), left));
    static_cast<QLabel *>(lv->itemAt(0)->widget())->setBuddy(m_search);
    lv->addWidget(m_search);
    lv->addWidget(new QLabel(QStringLiteral("Inhalt:"), left));
    lv->addWidget(m_index, 1);

    auto *split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(m_browser);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 600});
    auto *top = new QHBoxLayout(this);
    top->addWidget(split);

    connect(m_search, &QLineEdit::textChanged, this, [this] { applySearch(); });
    connect(m_index, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item) ShowPage(item->data(Qt::UserRole).toString());
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this](const QUrl &url) { m_current = url.fileName(); });
    applySearch();
}

QStringList THelpWindow::Search(const QString &query)
{
    const QStringList words = query.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QStringList hits;
    for (const Page &p : Pages()) {
        const QString text = p.title + u'\n' + pagePlainText(p.file);
        bool all = true;
        for (const QString &w : words)
            all = all && text.contains(w, Qt::CaseInsensitive);
        if (all) hits << p.file;
    }
    return hits;
}

void THelpWindow::applySearch()
{
    const QString q = m_search->text();
    const QStringList hits = Search(q);
    m_index->blockSignals(true);
    m_index->clear();
    for (const Page &p : Pages()) {
        if (!hits.contains(p.file)) continue;
        auto *item = new QListWidgetItem(p.title, m_index);
        item->setData(Qt::UserRole, p.file);
    }
    m_index->blockSignals(false);
    // With a search word the first hit is opened and the word marked in it.
    if (!q.trimmed().isEmpty() && m_index->count() > 0) {
        m_index->setCurrentRow(0);
        m_browser->moveCursor(QTextCursor::Start);
        m_browser->find(q.trimmed().split(u' ').first());
    }
}

void THelpWindow::ShowPage(const QString &file)
{
    m_current = file;
    m_browser->setSource(QUrl(kRoot + file));
    show();
    raise();
    activateWindow();
}

void THelpWindow::ShowIndex()
{
    m_search->clear();
    ShowPage(QStringLiteral("index.html"));
    m_search->setFocus();
}

void THelpWindow::ShowUsingHelp()
{
    ShowPage(QStringLiteral("hilfe.html"));
}
