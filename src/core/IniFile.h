#pragma once

#include <QString>
#include <QStringList>

// Plain INI file with the semantics such files have always had: sections in
// brackets, "key=value" lines, names compared without regard to case, values
// taken verbatim (only surrounding blanks trimmed), booleans as 1/0. Writing a
// key keeps every other line of the file - comments included - as it was.
//
// The file is read when the object is made. Writes go to disk at once unless
// auto-flush is switched off, in which case flush() writes them in one go.
class TIniFile {
public:
    explicit TIniFile(const QString &fileName);
    ~TIniFile();

    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    const QString &FileName() const { return m_fileName; }

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // A value that is not a whole number (decimal or "0x" hexadecimal) reads as def.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // Any whole number other than 0 is true; anything unreadable gives def.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    bool WriteString(const QString &section, const QString &key, const QString &value);
    bool WriteInteger(const QString &section, const QString &key, int value);
    bool WriteBool(const QString &section, const QString &key, bool value);

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    QStringList ReadSection(const QString &section) const; // key names in file order

    void setAutoFlush(bool on) { m_autoFlush = on; }
    // Writes pending changes; false when the file could not be written.
    bool flush();

    // The program's own INI file: the running program's path with ".ini".
    static QString ProgramIniPath();

private:
    struct Found {
        int line = -1;        // line of the key, -1 if none
        int sectionLine = -1; // header line of the section, -1 if none
        int sectionEnd = -1;  // one past the last non-blank line of the section
    };
    Found find(const QString &section, const QString &key) const;
    bool changed();

    QString m_fileName;
    QStringList m_lines;
    bool m_autoFlush = true;
    bool m_dirty = false;
};
