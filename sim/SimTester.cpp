#include "SimTester.h"

#include <algorithm>

namespace {

constexpr int RecordBytes = 40;

void putWord(QByteArray &d, int offset, int v)
{
    v = std::clamp(v, -32768, 32767);
    d[offset] = char(v & 0xFF);
    d[offset + 1] = char((v >> 8) & 0xFF);
}

} // namespace

SimTester::SimTester(const SimIdentity &id) : m_id(id)
{
    // A tester fresh from the box: 0701, class I, automatic, with insulation test.
    m_block.menu = mfAutomatisch | mfIsolation;
    m_block.klasse = 1;
    m_block.messzeit = 30;
    if (!m_id.languages.isEmpty()) m_block.geraet |= gfSprachwahl;
    if (m_id.language < 0 || m_id.language >= m_id.languages.size()) m_id.language = 0;
}

// ---- Requests ---------------------------------------------------------------

TProtok SimTester::answer(std::uint8_t cmd, const QByteArray &data) const
{
    return BuildMsg(AddrTester, cmd, data);
}

std::optional<TProtok> SimTester::handle(const TProtok &msg, qint64 nowMs)
{
    advance(nowMs);
    if (msg.Addr != AddrPc) return std::nullopt;
    const quint8 *d = msg.Data;
    const QByteArray echo(reinterpret_cast<const char *>(d), kDefaultDataBytes);
    switch (msg.Cmd) {
    case cmdProgrammversion:
        return answer(cmdProgrammversion, m_id.firmware.left(7));
    case cmdSeriennummer:
        return serialAnswer();
    case cmdSprachEintrag:
        return languageEntry(d[0]);
    case cmdDatensatzA:
    case cmdDatensatzB:
    case cmdDatensatzC:
    case cmdDatensatzD:
    case cmdDatensatzE: {
        const int piece = msg.Cmd - cmdDatensatzA;
        if (m_readPtr < m_records.size()) return answer(msg.Cmd, m_records.at(m_readPtr).piece(piece));
        return answer(msg.Cmd, QByteArray(8, '\0'));
    }
    case cmdGrenzwerte1:
    case cmdGrenzwerte2:
    case cmdDatensatzAnzahl:
    case cmdFlags:
    case cmdMesswerte1:
    case cmdMesswerte2:
    case cmdRohwert:
    case cmdMessablauf:
        return report(msg.Cmd);
    case cmdSprache:
        return languageAnswer();
    case cmdEinstellungen:
        applyBlock(msg);
        action(d[7], nowMs);
        return answer(cmdEinstellungen, echo);
    case cmdAutosend: {
        // One zero byte (or a zero mask) switches autosend off; no answer.
        m_autosendMask = (d[0] | (d[1] << 8)) & ((1 << AutosendBits) - 1);
        m_nextReport = nowMs;
        return std::nullopt;
    }
    case cmdGrenzwertIndex:
        applyLimits(msg);
        return answer(cmdGrenzwertIndex, echo);
    case cmdSprachwahl:
        if (d[0] < m_id.languages.size()) m_id.language = d[0];
        return answer(cmdSprachwahl, echo);
    case cmdEepromFunktion:
        eepromFunction(d[0]);
        return answer(cmdEepromFunktion, echo);
    default:
        return std::nullopt;
    }
}

// The serial number as five bytes of two BCD digits each, low digit first.
TProtok SimTester::serialAnswer() const
{
    QByteArray out(5, '\0');
    const QByteArray s = m_id.serial.leftJustified(10, '0', true);
    for (int j = 0; j < 5; ++j)
        out[j] = char((s[2 * j] & 0x0F) | ((s[2 * j + 1] & 0x0F) << 4));
    return answer(cmdSeriennummer, out);
}

TProtok SimTester::languageEntry(int i) const
{
    QByteArray out(8, '\0');
    out[0] = char(i);
    if (i < m_id.languages.size()) {
        const QByteArray code = m_id.languages.at(i).toLatin1().leftJustified(2, '\0', true);
        out[1] = 1;
        out[2] = code[0];
        out[3] = code[1];
    }
    out[4] = char(m_id.languages.size());
    out[5] = char(m_id.language);
    return answer(cmdSprachEintrag, out);
}

TProtok SimTester::languageAnswer() const
{
    QByteArray out(8, '\0');
    if (!m_id.languages.isEmpty()) {
        const QByteArray code = m_id.languages.at(m_id.language).toLatin1().leftJustified(2, '\0', true);
        out[1] = code[0];
        out[2] = code[1];
    }
    return answer(cmdSprache, out);
}

void SimTester::eepromFunction(int code)
{
    switch (code) {
    case EepromLesenBeginnen:
        m_readActive = true;
        m_readPtr = 0;
        break;
    case EepromSatzGelesen:
        if (m_readActive && m_readPtr < m_records.size()) ++m_readPtr;
        break;
    case EepromLesenBeenden:
        // Only what was acknowledged is gone; the rest stays for the next read-out.
        if (m_readActive) m_records.erase(m_records.begin(), m_records.begin() + m_readPtr);
        m_readActive = false;
        m_readPtr = 0;
        break;
    default:
        break;
    }
}

void SimTester::applyBlock(const TProtok &msg)
{
    const quint8 *d = msg.Data;
    if (!testRunning()) {
        // Menu, standard, class and lock are taken only with the PC's write mark.
        if (d[5] & spPcSchreibt) {
            m_block.menu = d[0];
            m_block.klasse =
                std::uint8_t((m_block.klasse & skSichtNichtAbgefragt) | (d[2] & ~skSichtNichtAbgefragt));
            m_block.sperr = std::uint8_t((m_block.sperr & ~spEinstellsperre) | (d[5] & spEinstellsperre));
        }
        m_block.klasse =
            std::uint8_t((m_block.klasse & ~skSichtNichtAbgefragt) | (d[2] & skSichtNichtAbgefragt));
        if (d[3] >= 1 && d[3] <= 250) m_block.messzeit = d[3];
    }
    // The operator's visual verdict is taken at any time, the query phase included.
    m_block.ablauf = std::uint8_t((m_block.ablauf & ~maSichtBestanden) | (d[6] & maSichtBestanden));
}

void SimTester::applyLimits(const TProtok &msg)
{
    // An index outside its table leaves that limit alone.
    const quint8 *d = msg.Data;
    if (LimitIndexValid(ltSchutzleiterwid, d[0])) m_idx.pe = d[0];
    if (LimitIndexValid(ltIsolationswid, d[1])) m_idx.iso = d[1];
    if (LimitIndexValid(ltAbleitstrom, d[2])) m_idx.leak = d[2];
    if (LimitIndexValid(ltDifferenzstrom, d[3])) m_idx.diff = d[3];
}

// ---- Reports ----------------------------------------------------------------

QByteArray SimTester::blockBytes() const
{
    std::uint8_t ablauf = m_block.ablauf & ~maGrenzwertAktiv;
    if (m_stage == Stage::Measure && SimViolates(m_step, liveAt(m_now), effectiveLimits()))
        ablauf |= maGrenzwertAktiv;
    QByteArray b(8, '\0');
    b[0] = char(m_block.menu);
    b[1] = char(m_block.geraet);
    b[2] = char(m_block.klasse);
    b[3] = char(m_block.messzeit);
    b[4] = char(m_block.schalt);
    b[5] = char(m_block.sperr);
    b[6] = char(ablauf);
    return b;
}

TProtok SimTester::report(std::uint8_t cmd) const
{
    QByteArray d(8, '\0');
    const SimLimits lim = effectiveLimits();
    switch (cmd) {
    case cmdGrenzwerte2:
        putWord(d, 0, lim.pec);
        putWord(d, 2, lim.touch);
        putWord(d, 4, lim.quick);
        break;
    case cmdDatensatzAnzahl: {
        const int count = int(m_records.size());
        d[0] = char(count & 0xFF);
        d[1] = char((count >> 8) & 0xFF);
        const int freeBytes = std::clamp((m_capacity - count) * RecordBytes, 0, 0xFFFF);
        d[2] = char(freeBytes & 0xFF);
        d[3] = char((freeBytes >> 8) & 0xFF);
        d[4] = count >= m_capacity ? 1 : 0;
        break;
    }
    case cmdFlags:
        d = blockBytes();
        break;
    case cmdMesswerte1:
        putWord(d, 0, m_value[1]);
        putWord(d, 2, m_value[2]);
        putWord(d, 4, m_value[3]);
        d[6] = char(m_grenzwert);
        break;
    case cmdMesswerte2:
        putWord(d, 0, m_value[4]);
        putWord(d, 2, m_value[5]);
        putWord(d, 4, m_value[6]);
        putWord(d, 6, m_value[7]);
        break;
    case cmdRohwert:
        putWord(d, 4, liveValue());
        break;
    case cmdMessablauf:
        d[1] = char(m_step & MessschrittMaske);
        d[2] = char(m_idx.pe);
        d[3] = char(m_idx.iso);
        d[4] = char(m_idx.leak);
        d[5] = char(m_idx.diff);
        d[7] = char(phase());
        break;
    default:
        break; // $31: stored by the PC, never decoded
    }
    return answer(cmd, d);
}

std::vector<TProtok> SimTester::dueReports(qint64 nowMs)
{
    advance(nowMs);
    std::vector<TProtok> out;
    if (m_autosendMask == 0 || nowMs < m_nextReport) return out;
    static constexpr std::uint8_t reported[] = {cmdGrenzwerte1, cmdGrenzwerte2, cmdDatensatzAnzahl,
                                                cmdFlags,       cmdMesswerte1,  cmdMesswerte2,
                                                cmdRohwert,     cmdMessablauf};
    for (std::uint8_t cmd : reported)
        if (m_autosendMask & (1 << (cmd - cmdStacktiefen))) out.push_back(report(cmd));
    m_nextReport += m_autosendPeriod;
    if (m_nextReport <= nowMs) m_nextReport = nowMs + m_autosendPeriod;
    return out;
}

qint64 SimTester::msUntilDue(qint64 nowMs) const
{
    qint64 due = -1;
    if (m_stageEnd >= 0) due = std::max<qint64>(0, m_stageEnd - nowMs);
    if (const qint64 op = autoOperatorDue(); op >= 0) {
        const qint64 d = std::max<qint64>(0, op - nowMs);
        due = due < 0 ? d : std::min(due, d);
    }
    if (m_autosendMask) {
        const qint64 r = std::max<qint64>(0, m_nextReport - nowMs);
        due = due < 0 ? r : std::min(due, r);
    }
    return due;
}

// ---- Live value ---------------------------------------------------------------

int SimTester::liveAt(qint64 nowMs) const
{
    if (m_step < 1 || m_step > 7) return 0;
    if (m_stage != Stage::Measure) return std::max(0, m_value[size_t(m_step)]);
    const int target = m_dut.value[size_t(m_step)];
    const qint64 span = std::max<qint64>(1, m_stageEnd - m_stageStart);
    const qint64 t = std::clamp<qint64>(nowMs - m_stageStart, 0, span);
    if (m_step == msIsolationswid) {
        // The test voltage charges the device: the reading climbs to its value.
        const qint64 lead = span / 10, half = span / 2 + 1; // whole milliseconds
        const double f = std::min(1.0, double(t + lead) / double(half));
        return int(target * f);
    }
    // Other readings wander a little around their value.
    const int jitter = int((t / 100 * 7919) % 5) - 2;
    return std::max(0, target + target * jitter / 100);
}

int SimTester::liveValue() const
{
    return liveAt(m_now);
}

// ---- Control channel ----------------------------------------------------------

namespace {
QString stageName(SimTester::Stage s)
{
    switch (s) {
    case SimTester::Stage::Idle:
        return QStringLiteral("idle");
    case SimTester::Stage::Erasing:
        return QStringLiteral("erasing");
    case SimTester::Stage::Prep:
        return QStringLiteral("prep");
    case SimTester::Stage::Visual:
        return QStringLiteral("visual");
    case SimTester::Stage::Measure:
        return QStringLiteral("measure");
    case SimTester::Stage::MainsWait:
        return QStringLiteral("mains");
    case SimTester::Stage::Switching:
        return QStringLiteral("switching");
    case SimTester::Stage::StepWait:
        return QStringLiteral("stepwait");
    case SimTester::Stage::Completion:
        return QStringLiteral("completion");
    case SimTester::Stage::StoreQuery:
        return QStringLiteral("storequery");
    case SimTester::Stage::Storing:
        return QStringLiteral("storing");
    case SimTester::Stage::Display:
        return QStringLiteral("display");
    }
    return {};
}
} // namespace

QString SimTester::stateLine() const
{
    QStringList w;
    auto add = [&w](const char *key, const QString &v) { w << QLatin1String(key) + QLatin1Char('=') + v; };
    auto num = [&add](const char *key, int v) { add(key, QString::number(v)); };
    auto hex = [&add](const char *key, int v) {
        add(key, QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0')));
    };
    const QByteArray b = blockBytes();
    num("phase", phase());
    num("step", m_step);
    add("stage", stageName(m_stage));
    add("block", QString::fromLatin1(b.toHex()));
    hex("menu", quint8(b[0]));
    hex("geraet", quint8(b[1]));
    hex("klasse", quint8(b[2]));
    num("messzeit", quint8(b[3]));
    hex("schalt", quint8(b[4]));
    hex("sperr", quint8(b[5]));
    hex("ablauf", quint8(b[6]));
    num("standard", m_block.standard());
    num("class", m_block.schutzklasse());
    num("isolmode", m_block.isolationMode());
    num("lim_pe", m_idx.pe);
    num("lim_iso", m_idx.iso);
    num("lim_leak", m_idx.leak);
    num("lim_diff", m_idx.diff);
    const SimLimits lim = effectiveLimits();
    num("limit_pe", lim.pe);
    num("limit_iso", lim.iso);
    num("limit_third", lim.third);
    num("records", int(m_records.size()));
    num("capacity", m_capacity);
    num("read_active", m_readActive ? 1 : 0);
    num("read_ptr", m_readPtr);
    hex("autosend", m_autosendMask);
    num("live", liveValue());
    hex("grenzwert", m_grenzwert);
    static constexpr const char *names[] = {"", "pe", "iso", "leak", "pec", "pec_rev", "touch", "touch_rev"};
    for (int k = 1; k <= 7; ++k)
        num(names[k], m_value[size_t(k)]);
    add("language", m_id.languages.isEmpty() ? QStringLiteral("-") : m_id.languages.at(m_id.language));
    num("lang_index", m_id.language);
    add("barcode", m_barcode.isEmpty() ? QStringLiteral("-") : m_barcode);
    return w.join(QLatin1Char(' '));
}
