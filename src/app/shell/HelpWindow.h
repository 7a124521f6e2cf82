#pragma once

#include <QStringList>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

// The program's help: German pages compiled into the program, an index of
// their titles and a search over their text.
class THelpWindow : public QWidget {
public:
    explicit THelpWindow(QWidget *parent = nullptr);

    struct Page {
        QString file; // name inside the resource folder
        QString title;
    };
    static const QList<Page> &Pages();

    // "Index": the list of all pages with an empty search field to type into.
    void ShowIndex();
    // "Hilfe benutzen": how this window is used.
    void ShowUsingHelp();
    void ShowPage(const QString &file);
    // Pages whose title or text contain every word of the query (case-insensitive).
    static QStringList Search(const QString &query);

    QString CurrentPage() const { return m_current; }

private:
    void applySearch();

    QLineEdit *m_search;
    QListWidget *m_index;
    QTextBrowser *m_browser;
    QString m_current;
};
