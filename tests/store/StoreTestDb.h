#pragma once

#include "store/ExportColumns.h"

#include <QByteArray>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

enum class TTestEngine { SQLite, PostgreSQL };

// Output and exit code of one gt-initdb run.
struct TInitdbRun {
    int rc = -1;
    QString out;
    QString err;
};
TInitdbRun RunInitdb(const QStringList &args);

// A fresh database made by gt-initdb: a file in a temporary folder, or a
// database of its own on the test server (GT_PG_HOST, GT_PG_PORT, GT_PG_USER).
class TTestDb {
public:
    explicit TTestDb(TTestEngine engine);
    ~TTestDb();
    TTestDb(const TTestDb &) = delete;
    TTestDb &operator=(const TTestDb &) = delete;

    static bool Available(TTestEngine engine);

    bool ok() const { return m_ok; }
    const QString &error() const { return m_error; }
    const QString &connectionString() const { return m_cs; }
    QSqlDatabase db() const;
    TTestEngine engine() const { return m_engine; }

    int count(const QString &table, const QString &where = QString()) const;
    void exec(const QString &sql) const; // fails the test on error

    // Fixtures written as SQL text with the program's own helpers.
    void addCustomer(int nr, const QString &name1, const QString &ort = QString()) const;
    void addDevice(int nr, int customer, const QString &bezeichnung,
                   const QString &barcode = QString()) const;
    void addTest(int nr, int device, const QDateTime &when, const QString &notiz = QString(),
                 int protokolltyp = 0) const;
    void addRow(int test, int zeile, int teil, int bestanden) const;

private:
    TTestEngine m_engine;
    bool m_ok = false;
    QString m_error;
    QString m_cs;
    QString m_conn;
    QString m_dir;
    QString m_pgName;
};

std::string EngineName(const ::testing::TestParamInfo<TTestEngine> &info);

// Test fixture over both engines; PostgreSQL cases skip without a server.
class StoreDb : public ::testing::TestWithParam<TTestEngine> {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<TTestDb> t;
};

// Shared export fixtures: the file's bytes (empty if unreadable), two
// customers with one device and test each (test 100 with three inspection
// rows), and a short column choice.
QByteArray ReadFileBytes(const QString &path);
void FillTwoTests(const TTestDb &t);
TExportSwitches FewExportColumns();
