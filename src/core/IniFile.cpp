#include "core/IniFile.h"

#include "core/AtomicFile.h"
#include "core/ProgramPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

bool isSectionHeader(const QString &trimmed, QString *name)
{
    if (trimmed.size() < 2 || !trimmed.startsWith(u'[')) return false;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0) return false;
    if (name) *name = trimmed.mid(1, close - 1).trimmed();
    return true;
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

const char *const kWindows1252 = "windows-1252";

QString decode1252(const QByteArray &bytes)
{
    QStringDecoder d(kWindows1252);
    if (!d.isValid()) return QString::fromLatin1(bytes); // Qt without ICU: the nearest there is
    return d.decode(bytes);
}

// Null when text has a character the code page cannot hold.
QByteArray encode1252(const QString &text)
{
    QStringEncoder e(kWindows1252);
    if (!e.isValid()) {
        for (QChar c : text)
            if (c.unicode() > 0xFF) return {};
        return text.toLatin1();
    }
    QByteArray out = e.encode(text);
    if (e.hasError() || decode1252(out) != text) return {};
    if (out.isNull()) out = QByteArray("");
    return out;
}

} // namespace

TIniFile::TIniFile(const QString &fileName) : m_fileName(fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return;
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_bom = true;
        bytes.remove(0, 3);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        // Not UTF-8: a file of the Windows installation.
        m_windows1252 = true;
        text = decode1252(bytes);
    }
    m_lines = text.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty()) m_lines.removeLast();
    for (QString &l : m_lines)
        if (l.endsWith(u'\r')) l.chop(1);
}

TIniFile::~TIniFile()
{
    if (m_dirty) flush();
}

TIniFile::Found TIniFile::find(const QString &section, const QString &key) const
{
    Found r;
    bool inSection = false;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString t = m_lines.at(i).trimmed();
        QString name;
        if (isSectionHeader(t, &name)) {
            if (inSection) return r; // the section has ended
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            if (inSection) {
                r.sectionLine = i;
                r.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        if (!t.isEmpty()) r.sectionEnd = i + 1;
        if (t.isEmpty() || isComment(t) || key.isEmpty()) continue;
        const qsizetype eq = t.indexOf(u'=');
        if (eq < 0) continue;
        if (t.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0 && r.line < 0) r.line = i;
    }
    return r;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const Found f = find(section, key);
    if (f.line < 0) return def;
    const QString &l = m_lines.at(f.line);
    return l.mid(l.indexOf(u'=') + 1).trimmed();
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    const QString s = ReadString(section, key, QString());
    bool ok = false;
    int v = 0;
    if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = s.mid(2).toInt(&ok, 16);
    else
        v = s.toInt(&ok, 10);
    return ok ? v : def;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    // A line break inside a value would split it into two lines of the file.
    QString v = value;
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    const Found f = find(section, key);
    const QString line = key + u'=' + v;
    if (f.line >= 0) {
        if (m_lines[f.line] == line) return true;
        m_lines[f.line] = line;
    } else if (f.sectionLine >= 0) {
        m_lines.insert(f.sectionEnd, line);
    } else {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty()) m_lines << QString();
        m_lines << (u'[' + section + u']') << line;
    }
    return changed();
}

bool TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::SectionExists(const QString &section) const
{
    return find(section, QString()).sectionLine >= 0;
}

bool TIniFile::ValueExists(const QString &section, const QString &key) const
{
    return find(section, key).line >= 0;
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    const Found f = find(section, QString());
    if (f.sectionLine < 0) return keys;
    for (int i = f.sectionLine + 1; i < f.sectionEnd; ++i) {
        const QString t = m_lines.at(i).trimmed();
        if (t.isEmpty() || isComment(t)) continue;
        const qsizetype eq = t.indexOf(u'=');
        if (eq > 0) keys << t.left(eq).trimmed();
    }
    return keys;
}

bool TIniFile::changed()
{
    m_dirty = true;
    return m_autoFlush ? flush() : true;
}

bool TIniFile::flush()
{
    QString text;
    for (const QString &l : std::as_const(m_lines))
        text += l + u'\n';
    QByteArray bytes;
    if (m_windows1252) {
        bytes = encode1252(text);
        // A value the code page cannot hold would be lost: the file turns UTF-8.
        if (bytes.isNull()) m_windows1252 = false;
    }
    if (!m_windows1252) bytes = (m_bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    if (!WriteFileAtomically(m_fileName, bytes)) return false;
    m_dirty = false;
    return true;
}

QString TIniFile::ProgramIniPath()
{
    return ::ProgramIniPath();
}
