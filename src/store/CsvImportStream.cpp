#include "store/CsvImportStream.h"

#include "store/CsvExport.h"

#include <QBuffer>

namespace {

constexpr qint64 kPiece = 256 * 1024;

// Latin-1 but for 0x80..0x9F, which Windows-1252 uses for €, „, “ and such;
// into a buffer that keeps its room from one piece to the next.
void windows1252(const QByteArray &bytes, QString &out)
{
    // Latin-1 first (Qt's own fast path), then the few bytes that differ.
    QStringDecoder latin1(QStringDecoder::Latin1);
    out.resize(bytes.size());
    latin1.appendToBuffer(out.data(), bytes);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if ((static_cast<unsigned char>(bytes[i]) & 0xE0) == 0x80)
            out[i] = DecodeWindows1252(bytes.mid(i, 1)).front();
}

} // namespace

QStringList TCsvRecord::values() const
{
    QStringList out;
    out.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        out << value(i).toString();
    return out;
}

void TCsvSplitter::EndRecord(QList<TCsvRecord> &out)
{
    m_rec.ends << m_rec.text.size();
    const qsizetype width = m_rec.ends.size();
    if (width == 1 && m_rec.text.isEmpty() && !m_inValue) { // a blank line
        m_rec.Clear();
    } else {
        out << std::move(m_rec);
        if (!spares.isEmpty()) {
            m_rec = spares.takeLast();
        } else { // the next record is as wide as this one, most likely
            m_rec = TCsvRecord{};
            m_rec.ends.reserve(width);
            m_rec.text.reserve(out.last().text.size() * 2);
        }
    }
    m_inValue = false;
}

void TCsvSplitter::Feed(QStringView text, QList<TCsvRecord> &out)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (m_skipLf) {
            m_skipLf = false;
            if (c == u'\n') continue;
        }
        if (m_afterQuote) {
            m_afterQuote = false;
            if (c == u'"') {
                m_rec.text += u'"';
                continue;
            }
            m_quoted = false;
        }
        if (m_quoted) {
            // The run up to the next quote in one piece; line breaks inside are counted.
            qsizetype end = i;
            while (end < n && text[end] != u'"') {
                if (text[end] == u'\n') ++m_line;
                ++end;
            }
            m_rec.text += text.mid(i, end - i);
            if (end < n) m_afterQuote = true;
            i = end;
            continue;
        }
        if (c == u'"') {
            m_quoted = true;
            m_inValue = true;
        } else if (c == u';') {
            m_rec.ends << m_rec.text.size();
            m_inValue = true;
        } else if (c == u'\r' || c == u'\n') {
            m_skipLf = c == u'\r';
            EndRecord(out);
            m_rec.line = ++m_line;
        } else {
            qsizetype end = i + 1;
            while (end < n && text[end] != u'"' && text[end] != u';' && text[end] != u'\r' &&
                   text[end] != u'\n')
                ++end;
            m_rec.text += text.mid(i, end - i);
            m_inValue = true;
            i = end - 1;
        }
    }
}

void TCsvSplitter::Finish(QList<TCsvRecord> &out)
{
    if (m_inValue || !m_rec.text.isEmpty()) {
        m_rec.unclosed = m_quoted && !m_afterQuote;
        EndRecord(out);
    }
    *this = TCsvSplitter{};
}

bool TCsvStream::OpenFile(const QString &fileName, QString *error)
{
    auto f = std::make_unique<QFile>(fileName);
    if (!f->open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(fileName);
        return false;
    }
    m_buffer.reset();
    m_bytes.clear();
    m_file = std::move(f);
    m_device = m_file.get();
    m_size = m_file->size();
    if (DetectEncoding() && Rewind()) return true;
    if (error) *error = QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(fileName);
    m_device = nullptr;
    return false;
}

void TCsvStream::OpenBytes(const QByteArray &bytes)
{
    m_file.reset();
    m_bytes = bytes;
    auto b = std::make_unique<QBuffer>(&m_bytes);
    b->open(QIODevice::ReadOnly);
    m_buffer = std::move(b);
    m_device = m_buffer.get();
    m_size = m_bytes.size();
    DetectEncoding();
    Rewind();
}

bool TCsvStream::DetectEncoding()
{
    if (!m_device->seek(0)) return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    while (!m_device->atEnd()) {
        const QByteArray piece = m_device->read(kPiece);
        if (piece.isEmpty()) return false;
        // decode() is lazy: only turning it into a string decodes.
        const QString text = utf8.decode(piece);
        if (utf8.hasError()) break;
    }
    m_utf8 = !utf8.hasError();
    return true;
}

bool TCsvStream::Rewind()
{
    if (!m_device || !m_device->seek(0)) return false;
    m_decoder = QStringDecoder(QStringDecoder::Utf8);
    m_splitter = TCsvSplitter{};
    m_ready.clear();
    m_readyAt = 0;
    m_atStart = true;
    m_eof = false;
    return true;
}

qint64 TCsvStream::Position() const
{
    return m_device ? m_device->pos() : 0;
}

bool TCsvStream::Fill()
{
    for (TCsvRecord &r : m_ready) {
        r.Clear();
        m_splitter.spares << std::move(r);
    }
    m_ready.clear();
    m_readyAt = 0;
    while (m_ready.isEmpty() && !m_eof) {
        m_piece.resize(kPiece);
        const qint64 got = m_device->read(m_piece.data(), kPiece);
        if (got <= 0) {
            m_eof = true;
            m_splitter.Finish(m_ready);
            break;
        }
        m_piece.resize(got);
        if (m_utf8) {
            m_text.resize(m_decoder.requiredSpace(got));
            m_text.truncate(m_decoder.appendToBuffer(m_text.data(), m_piece) - m_text.constData());
        } else {
            windows1252(m_piece, m_text);
        }
        QStringView text = m_text;
        if (m_atStart && !text.isEmpty()) {
            if (text.front() == QChar(0xFEFF)) text = text.mid(1);
            m_atStart = false;
        }
        m_splitter.Feed(text, m_ready);
    }
    return !m_ready.isEmpty();
}

bool TCsvStream::Next(TCsvRecord &rec)
{
    if (!m_device) return false;
    if (m_readyAt >= m_ready.size() && !Fill()) return false;
    // The caller's last record goes back to be reused.
    std::swap(rec, m_ready[m_readyAt++]);
    return true;
}
