#pragma once

// Just enough of the PDF file syntax to append a signature to the program's
// own PDF files and to find it again: values are kept as the bytes they are
// written with, dictionaries as their top-level entries, and objects are
// found through classic cross-reference tables (as Qt writes them, and as
// the signature's own update appends them).

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace pdf {

// One dictionary, entry by entry in file order. Values are the raw bytes of
// one value ("7 0 R", "[5 0 R]", "<< ... >>", "(text)", "/Name", "12").
struct TDict {
    struct Entry {
        QByteArray key;        // with its slash: "/Type"
        QByteArray value;      // raw bytes
        qsizetype offset = -1; // where the value starts in the parsed data
    };
    QList<Entry> entries;

    const Entry *find(const QByteArray &key) const;
    QByteArray value(const QByteArray &key) const;
    bool has(const QByteArray &key) const { return find(key) != nullptr; }
    // Replaces the value of key, or appends the entry.
    void set(const QByteArray &key, const QByteArray &value);
    // "<<\n/Key value\n...>>"
    QByteArray Serialized() const;
};

// Index just past the value starting at pos (blanks and comments before it
// are skipped); -1 when no complete value starts there. *start, when given,
// receives where the value itself begins.
qsizetype SkipValue(const QByteArray &data, qsizetype pos, qsizetype *start = nullptr);

// Parses the dictionary that starts at pos (blanks first allowed); *end gets
// the index just past its closing ">>". False when there is none.
bool ParseDict(const QByteArray &data, qsizetype pos, TDict &dict, qsizetype *end = nullptr);

// "12 0 R" -> 12; -1 for anything else.
int RefNumber(const QByteArray &value);
// The references of an array ("[5 0 R 16 0 R]"), in order; other items are left out.
QList<int> RefList(const QByteArray &array);

// Where each object is and the newest trailer, following /Prev back to the
// first table; newer entries win.
struct TXref {
    QMap<int, qint64> offsets;
    TDict trailer;     // of the newest section
    qint64 start = -1; // offset of the newest table ("startxref")
};
// False with a German reason when the file has no readable classic table.
bool ReadXref(const QByteArray &pdf, TXref &xref, QString *error);

// The dictionary of object n (at its offset "n 0 obj << ... >>"); the
// entries' offsets are offsets in pdf.
bool ReadObjectDict(const QByteArray &pdf, const TXref &xref, int n, TDict &dict);
// The value of object n as its raw bytes ("[ ]" for an array object).
bool ReadObjectValue(const QByteArray &pdf, const TXref &xref, int n, QByteArray &value);

// A text as a PDF text string: a literal "(...)" for printable ASCII, else
// UTF-16BE with its byte-order mark in hex.
QByteArray TextString(const QString &text);
// The text of a literal or hex string value (PDFDocEncoding read as Latin-1,
// or UTF-16BE with its mark); empty for anything else.
QString DecodeTextString(const QByteArray &value);

} // namespace pdf
