#include "SimRecord.h"

#include <algorithm>
#include <vector>

namespace {

void putWord(SimRecord &r, int offset, int v)
{
    r.bytes[size_t(offset)] = std::uint8_t(v & 0xFF);
    r.bytes[size_t(offset + 1)] = std::uint8_t((v >> 8) & 0xFF);
}

int uniform(std::mt19937 &rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

} // namespace

QByteArray SimRecord::piece(int i) const
{
    if (i < 0 || i > 4) return QByteArray(8, '\0');
    return QByteArray(reinterpret_cast<const char *>(bytes.data()) + 8 * i, 8);
}

QString SimRecord::barcode() const
{
    QString out;
    const int n = std::min<int>(bytes[0], 16);
    for (int k = 1; k <= n; ++k) {
        const std::uint8_t b = bytes[size_t(32 + (k - 1) / 2)];
        const int nibble = (k % 2) ? (b & 0x0F) : (b >> 4);
        out += QChar(0x30 + nibble);
    }
    return out;
}

QString SimRecord::hex() const
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size())).toHex());
}

int SimStepMask(int isolationMode, int standard, bool touchCurrent, int schutzklasse)
{
    // Rows: insulation mode; columns: class I..III. 0701 and 0702 share a table.
    static constexpr int din070x[3][3] = {{0xFD, 0x60, 0x00}, {0x87, 0x86, 0x02}, {0x7B, 0x62, 0x02}};
    static constexpr int din0751[3][3] = {{0x85, 0x84, 0x00}, {0x87, 0x86, 0x00}, {0x7D, 0x64, 0x00}};
    if (isolationMode < 0 || isolationMode > 2 || schutzklasse < 1 || schutzklasse > 3) return 0;
    int mask = 0;
    if (standard == 0 || standard == 1)
        mask = din070x[isolationMode][schutzklasse - 1];
    else if (standard == 2)
        mask = din0751[isolationMode][schutzklasse - 1];
    if (!touchCurrent) mask &= 0x1F;
    return mask & 0x7F; // bit 7 is a display matter, not a step
}

SimLimits SimEffectiveLimits(const SimBlock &block, const SimLimitIndexes &idx)
{
    SimLimits lim;
    const int std = block.standard();
    const int cls = block.schutzklasse();
    const int mode = block.isolationMode();
    const bool diffMode = std == 2 && mode == 2;
    if (block.manualLimits()) {
        lim.pe = LimitCode(ltSchutzleiterwid, idx.pe);
        lim.iso = LimitCode(ltIsolationswid, idx.iso);
        lim.third = diffMode ? LimitCode(ltDifferenzstrom, idx.diff) : LimitCode(ltAbleitstrom, idx.leak);
    } else {
        lim.pe = 300;
        if (std == 2) {
            lim.iso = cls == 2 ? 7000 : (cls == 0 ? 0 : 2000);
            if (cls == 1)
                lim.third = mode == 2 ? 50 : 100;
            else if (cls == 2 || cls == 3)
                lim.third = mode == 2 ? 10 : 50;
            else
                lim.third = 0;
        } else {
            lim.iso = cls == 1 ? 1000 : cls == 2 ? 2000 : cls == 3 ? 250 : 0;
            lim.third = (cls == 2 && mode >= 1) ? 50 : 350;
        }
    }
    lim.pec = std == 2 ? lim.third : 350;
    lim.touch = std == 2 ? 10 : 50;
    lim.quick = 1000;
    return lim;
}

bool SimViolates(int step, int value, const SimLimits &lim)
{
    if (value < 0) return false;
    switch (step) {
    case msSchutzleiterwid:
        return value > lim.pe;
    case msIsolationswid:
        return value < lim.iso;
    case msAbleitstrom:
        return value > lim.third;
    case msSchutzlStrom:
    case msSchutzlStromUmgepolt:
        return value > lim.pec;
    case msBeruehrStrom:
    case msBeruehrStromUmgepolt:
        return value > lim.touch;
    default:
        return false;
    }
}

int SimProgramPhase(const SimBlock &block)
{
    const int cls = block.schutzklasse();
    if (cls < 1) return apVorbereitung;
    const int mode = block.isolationMode();
    const int std = block.standard();
    if (std == 2) {
        const int base = mode == 1 ? 50 : mode == 0 ? 52 : 54;
        return base + std::min(cls, 2) - 1; // 0751 knows no class III
    }
    const int base = mode == 1 ? 32 : mode == 0 ? 38 : 44;
    return base + std * 3 + cls - 1;
}

SimRecord SimBuildRecord(const SimBlock &block, const std::array<int, 8> &value, std::uint8_t grenzwert,
                         std::uint8_t ablauf, const SimLimits &lim, const QString &barcode)
{
    SimRecord r;
    QString digits;
    for (QChar c : barcode)
        if (c.isDigit() && digits.size() < 16) digits += c;
    r.bytes[0] = std::uint8_t(digits.size());
    r.bytes[1] = grenzwert;
    r.bytes[2] = block.menu;
    r.bytes[3] = block.klasse;
    r.bytes[4] = ablauf;
    putWord(r, 6, value[1]);
    putWord(r, 8, value[2]);
    putWord(r, 10, value[3]);
    putWord(r, 12, value[4]);
    putWord(r, 14, value[5]);
    putWord(r, 16, value[6]);
    putWord(r, 18, value[7]);
    putWord(r, 20, lim.pe);
    putWord(r, 22, lim.iso);
    putWord(r, 24, lim.third);
    putWord(r, 26, lim.pec);
    putWord(r, 28, lim.touch);
    putWord(r, 30, lim.quick);
    for (int k = 1; k <= digits.size(); ++k) {
        const std::uint8_t nibble = std::uint8_t(digits.at(k - 1).unicode() - 0x30);
        std::uint8_t &b = r.bytes[size_t(32 + (k - 1) / 2)];
        b = (k % 2) ? std::uint8_t((b & 0xF0) | nibble) : std::uint8_t((b & 0x0F) | (nibble << 4));
    }
    return r;
}

namespace {

// Classes, standards and modes in turn, so a few dozen records cover them
// all; cls is the protection class the set-up ends with.
SimBlock randomSetup(int i, std::mt19937 &rng, int &cls)
{
    cls = 1 + i % 3;
    const int std = (i / 3) % 3;
    const int mode = (i / 9) % 3;
    SimBlock b;
    b.klasse = std::uint8_t(cls | (std == 2 ? skDin0751 : 0));
    b.menu = std::uint8_t((std == 1 ? mfDin0702 : 0) | (mode == 1 ? mfIsolation : 0) |
                          (mode == 2 ? mfIsolDiff : 0));
    if (uniform(rng, 0, 3) != 0) b.menu |= mfAutomatisch;
    if (cls == 1 && uniform(rng, 0, 1)) b.menu |= mfBeruehrstrom;
    // The rules the PC applies to every set-up it writes.
    if (std == 2 && cls == 3) cls = 2;
    if (cls == 2 && !(b.menu & mfIsolation)) b.menu |= mfBeruehrstrom;
    if (cls == 3) b.menu = std::uint8_t((b.menu | mfIsolation) & ~mfIsolDiff);
    // No touch current with an insulation test or in class III.
    if (cls == 3 || (b.menu & mfIsolation)) b.menu &= ~mfBeruehrstrom;
    b.klasse = std::uint8_t((b.klasse & ~skKlasseMask) | cls);
    if (uniform(rng, 0, 4) == 0) b.klasse |= skSichtNichtAbgefragt;
    if (std == 2 && b.isolationMode() == 2 && uniform(rng, 0, 2) == 0) b.klasse |= skExternDiffStr;
    return b;
}

// Now and then a device that fails one of its limits.
void failOneLimit(std::array<int, 8> &v, const std::vector<int> &steps, const SimLimits &lim,
                  std::mt19937 &rng)
{
    if (steps.empty() || uniform(rng, 0, 6) != 3) return;
    const int k = steps[size_t(uniform(rng, 0, int(steps.size()) - 1))];
    switch (k) {
    case 1:
        v[1] = lim.pe + uniform(rng, 20, 900);
        break;
    case 2:
        v[2] = std::max(0, lim.iso / 2 - uniform(rng, 0, 100));
        break;
    case 3:
        v[3] = lim.third + uniform(rng, 10, 300);
        break;
    case 4:
    case 5:
        v[k] = std::min(lim.quick, lim.pec + uniform(rng, 5, 100));
        break;
    default:
        v[k] = lim.touch + uniform(rng, 2, 40);
        break;
    }
}

} // namespace

SimRecord SimRandomRecord(int i, std::mt19937 &rng)
{
    int cls = 0;
    SimBlock b = randomSetup(i, rng, cls);
    SimLimitIndexes idx;
    if (uniform(rng, 0, 3) == 0) {
        b.menu |= mfManuGrenz;
        idx.pe = uniform(rng, 0, LimitTableSize(ltSchutzleiterwid) - 1);
        idx.iso = uniform(rng, 0, LimitTableSize(ltIsolationswid) - 1);
        idx.leak = uniform(rng, 0, LimitTableSize(ltAbleitstrom) - 1);
        idx.diff = uniform(rng, 0, LimitTableSize(ltDifferenzstrom) - 1);
    }
    const SimLimits lim = SimEffectiveLimits(b, idx);

    std::array<int, 8> v{};
    v[1] = uniform(rng, 30, 250);
    v[2] = uniform(rng, 2500, 30000);
    v[3] = uniform(rng, 2, 120);
    v[4] = uniform(rng, 2, 200);
    v[5] = uniform(rng, 2, 200);
    v[6] = uniform(rng, 0, 8);
    v[7] = uniform(rng, 0, 8);
    const int mask = SimStepMask(b.isolationMode(), b.standard(), b.touchCurrent(), cls);
    std::vector<int> steps;
    for (int k = 1; k <= 7; ++k)
        if (mask & (1 << (k - 1))) steps.push_back(k);

    // Now and then a device that fails one of its limits.
    failOneLimit(v, steps, lim, rng);

    std::uint8_t ablauf = uniform(rng, 0, 7) != 0 ? maSichtBestanden : 0;
    size_t stopAt = steps.size(); // steps from here on did not run
    if (i % 6 == 5 && !steps.empty()) {
        stopAt = size_t(uniform(rng, 0, int(steps.size()) - 1));
        ablauf |= maAbgebrochen | maManuellAbbruch;
    } else if (i % 10 == 7) {
        // Emergency stop at the first current measurement, or at once.
        stopAt = 0;
        while (stopAt < steps.size() && steps[stopAt] < msSchutzlStrom)
            ++stopAt;
        if (stopAt < steps.size()) {
            v[size_t(steps[stopAt])] = lim.quick + uniform(rng, 50, 900);
            ++stopAt;
        }
        ablauf |= maAbgebrochen | maSchnellabbruch;
    }

    std::array<int, 8> measured;
    measured.fill(-1);
    std::uint8_t grenzwert = 0;
    for (size_t s = 0; s < std::min(stopAt, steps.size()); ++s) {
        const int k = steps[s];
        measured[size_t(k)] = v[size_t(k)];
        if (SimViolates(k, v[size_t(k)], lim)) grenzwert |= GrenzwertBitForStep(k);
    }
    if (grenzwert) ablauf |= maGrenzwFehler;

    QString code;
    const int digits = (i * 7) % 17; // 0..16 digits over any 17 records in a row
    for (int d = 0; d < digits; ++d)
        code += QChar('0' + uniform(rng, 0, 9));
    return SimBuildRecord(b, measured, grenzwert, ablauf, lim, code);
}
