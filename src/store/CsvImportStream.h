#pragma once

// The import's file read record by record: a customer's list of 200 000
// tests never sits in memory as a whole. The splitter keeps its state
// between pieces, so a record, a quoted line break or a doubled quote may
// straddle two reads.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <memory>

// The values lie one after another in one text, unquoted: a record is
// read into the same room as the one before it, without a string per value.
struct TCsvRecord {
    int line = 0;          // the line the record starts on (the header is line 1)
    QString text;          // the values, end to end
    QList<qsizetype> ends; // where each value ends in text
    bool unclosed = false; // the file ended inside its quotes: cut off, not a whole value
    qsizetype size() const { return ends.size(); }
    // Empty for a value the record does not have.
    QStringView value(qsizetype i) const
    {
        if (i < 0 || i >= ends.size()) return {};
        const qsizetype begin = i ? ends[i - 1] : 0;
        return QStringView(text).mid(begin, ends[i] - begin);
    }
    QStringList values() const;
    // Emptied for the next record; keeps its room.
    void Clear()
    {
        text.resize(0);
        ends.resize(0);
        unclosed = false;
    }
};

// ";" between values, values in double quotes that may hold line breaks,
// "" for a quote; a blank line is no record.
class TCsvSplitter {
public:
    void Feed(QStringView text, QList<TCsvRecord> &out);
    void Finish(QList<TCsvRecord> &out);

    // Records given back by the reader, reused for the next records: new
    // strings for each of 200 000 records kept the allocator busy.
    QList<TCsvRecord> spares;

private:
    void EndRecord(QList<TCsvRecord> &out);

    TCsvRecord m_rec{1, {}, {}};
    int m_line = 1;
    bool m_quoted = false;
    bool m_afterQuote = false; // a quote inside quotes: closes, or starts ""
    bool m_inValue = false;
    bool m_skipLf = false; // the LF of a CR LF cut apart by two reads
};

class TCsvStream {
public:
    // A file, or bytes held by the caller (tests, small pieces).
    bool OpenFile(const QString &fileName, QString *error);
    void OpenBytes(const QByteArray &bytes);
    bool IsOpen() const { return m_device != nullptr; }

    // Back to the first record; the encoding (UTF-8 when every byte is valid
    // UTF-8, else Windows-1252) is decided once, by a first look at the whole.
    bool Rewind();
    // The next record; false at the end.
    bool Next(TCsvRecord &rec);

    qint64 Size() const { return m_size; }
    qint64 Position() const;

private:
    bool DetectEncoding();
    bool Fill();

    std::unique_ptr<QFile> m_file;
    QByteArray m_bytes;
    std::unique_ptr<QIODevice> m_buffer;
    QIODevice *m_device = nullptr;
    qint64 m_size = 0;
    bool m_utf8 = true;
    bool m_atStart = true; // a BOM is skipped
    bool m_eof = false;
    QByteArray m_piece; // one read, reused
    QString m_text;     // that read decoded, reused
    QStringDecoder m_decoder;
    TCsvSplitter m_splitter;
    QList<TCsvRecord> m_ready;
    qsizetype m_readyAt = 0;
};
