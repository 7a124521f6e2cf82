#include "store/CsvImportStream.h"

#include "store/CsvExport.h"

#include <QBuffer>

namespace {

constexpr qint64 kPiece = 256 * 1024;

} // namespace

void TCsvSplitter::EndRecord(QList<TCsvRecord> &out)
{
    m_rec.values << m_value;
    m_value.clear();
    if (!(m_rec.values.size() == 1 && m_rec.values[0].isEmpty() && !m_inValue)) out << std::move(m_rec);
    m_rec = TCsvRecord{};
    m_inValue = false;
}

void TCsvSplitter::Feed(QStringView text, QList<TCsvRecord> &out)
{
    for (const QChar c : text) {
        if (m_skipLf) {
            m_skipLf = false;
            if (c == u'\n') continue;
        }
        if (m_afterQuote) {
            m_afterQuote = false;
            if (c == u'"') {
                m_value += u'"';
                continue;
            }
            m_quoted = false;
        }
        if (m_quoted) {
            if (c == u'"') {
                m_afterQuote = true;
                continue;
            }
            if (c == u'\n') ++m_line;
            m_value += c;
            continue;
        }
        if (c == u'"') {
            m_quoted = true;
            m_inValue = true;
        } else if (c == u';') {
            m_rec.values << m_value;
            m_value.clear();
            m_inValue = true;
        } else if (c == u'\r' || c == u'\n') {
            m_skipLf = c == u'\r';
            EndRecord(out);
            m_rec.line = ++m_line;
        } else {
            m_value += c;
            m_inValue = true;
        }
    }
}

void TCsvSplitter::Finish(QList<TCsvRecord> &out)
{
    if (m_inValue || !m_value.isEmpty()) EndRecord(out);
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
    m_ready.clear();
    m_readyAt = 0;
    while (m_ready.isEmpty() && !m_eof) {
        const QByteArray piece = m_device->read(kPiece);
        if (piece.isEmpty()) {
            m_eof = true;
            m_splitter.Finish(m_ready);
            break;
        }
        QString text = m_utf8 ? QString(m_decoder.decode(piece)) : DecodeWindows1252(piece);
        if (m_atStart && !text.isEmpty()) {
            if (text.front() == QChar(0xFEFF)) text.remove(0, 1);
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
    rec = std::move(m_ready[m_readyAt++]);
    return true;
}
