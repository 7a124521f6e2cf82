#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class TForm1;

// The windows the program makes once at start, after the main window, and keeps
// to the end. A window whose own code has not been written yet stands as a
// named, empty dialog so the order and the names are right from the beginning.
class TAppWindows {
public:
    // Class names in creation order (the main window is made before them).
    static const QStringList &CreationOrder();

    // Makes every window of CreationOrder(), owned by the main window.
    static void CreateAll(TForm1 *main);
    // A window made by CreateAll, by class name ("TDatenabrufDlg"); nullptr if none.
    static QWidget *Find(const QString &className);

    // Names in the order the windows were made (for tests).
    static QStringList Created();
};
