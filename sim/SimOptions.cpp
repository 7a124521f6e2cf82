#include "SimOptions.h"

#include <algorithm>
#include <functional>
#include <random>

namespace {

bool toInt(const QString &s, int &out, int lo, int hi)
{
    bool ok = false;
    const int v = s.trimmed().toInt(&ok, 0);
    if (!ok || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool toShare(const QString &s, double &out)
{
    bool ok = false;
    const double v = s.trimmed().toDouble(&ok);
    if (!ok || v < 0.0 || v > 1.0) return false;
    out = v;
    return true;
}

// "33", "$33", "0x33": command codes are hexadecimal as everywhere on the bus.
bool toCommand(QString s, int &out)
{
    s = s.trimmed();
    if (s.startsWith(QLatin1Char('$'))) s.remove(0, 1);
    if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) s.remove(0, 2);
    bool ok = false;
    const int v = s.toInt(&ok, 16);
    if (!ok || v < 0 || v > 255) return false;
    out = v;
    return true;
}

} // namespace

QByteArray SimFirmwareBytes(const QString &text)
{
    QByteArray out;
    for (QChar c : text) {
        if (c == QLatin1Char('.') || c == QLatin1Char(' ')) continue;
        if (c.unicode() < 0x21 || c.unicode() > 0x7E) return {};
        out += char(c.unicode());
    }
    if (out.size() < 5 || out.size() > 7) return {};
    return out;
}

namespace {

// What an option with a value made of it.
enum class TOpt { Unknown, Ok, Bad };

// The line, the memory and the pace.
TOpt lineOption(const QString &a, const QString &v, SimOptions &opt)
{
    if (a == QLatin1String("--device")) {
        if (v.isEmpty()) return TOpt::Bad;
        opt.device = v;
    } else if (a == QLatin1String("--records")) {
        if (!toInt(v, opt.records, 0, 65535)) return TOpt::Bad;
    } else if (a == QLatin1String("--twin")) {
        if (!toInt(v, opt.twin, 0, 65534)) return TOpt::Bad;
    } else if (a == QLatin1String("--seed")) {
        bool ok = false;
        opt.seed = v.toUInt(&ok, 0);
        if (!ok) return TOpt::Bad;
    } else if (a == QLatin1String("--capacity")) {
        if (!toInt(v, opt.capacity, 1, 1638)) return TOpt::Bad; // free bytes must fit 16 bits
    } else if (a == QLatin1String("--baud")) {
        if (!toInt(v, opt.baud, 50, 4000000)) return TOpt::Bad;
    } else if (a == QLatin1String("--autosend-ms")) {
        if (!toInt(v, opt.autosendMs, 10, 200)) return TOpt::Bad;
    } else if (a == QLatin1String("--auto-operator")) {
        bool ok = false;
        const double seconds = v.toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 600) return TOpt::Bad;
        opt.autoOperatorMs = int(seconds * 1000);
    } else if (a == QLatin1String("--speed")) {
        bool ok = false;
        opt.speed = v.toDouble(&ok);
        if (!ok || opt.speed <= 0 || opt.speed > 1000) return TOpt::Bad;
    } else if (a == QLatin1String("--min-phase-ms")) {
        if (!toInt(v, opt.minPhaseMs, 0, 60000)) return TOpt::Bad;
    } else {
        return TOpt::Unknown;
    }
    return TOpt::Ok;
}

// Who the tester says it is.
TOpt identityOption(const QString &a, const QString &v, SimOptions &opt)
{
    if (a == QLatin1String("--firmware")) {
        opt.identity.firmware = SimFirmwareBytes(v);
        if (opt.identity.firmware.isEmpty()) return TOpt::Bad;
    } else if (a == QLatin1String("--serial")) {
        if (v.size() != 10 || !std::all_of(v.begin(), v.end(), [](QChar c) { return c.isDigit(); }))
            return TOpt::Bad;
        opt.identity.serial = v.toLatin1();
    } else if (a == QLatin1String("--languages")) {
        QStringList list = v.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString &l : list) {
            l = l.trimmed();
            if (l.size() != 2) return TOpt::Bad;
        }
        opt.identity.languages = list;
        opt.identity.language = list.size() > 1 ? 1 : 0;
    } else if (a == QLatin1String("--language")) {
        const int idx = int(opt.identity.languages.indexOf(v));
        if (idx < 0) return TOpt::Bad;
        opt.identity.language = idx;
    } else {
        return TOpt::Unknown;
    }
    return TOpt::Ok;
}

// The faults to put on the line.
TOpt faultOption(const QString &a, const QString &v, SimOptions &opt)
{
    if (a == QLatin1String("--silent-after")) {
        if (!toInt(v, opt.faults.silentAfter, 0, 1 << 30)) return TOpt::Bad;
    } else if (a == QLatin1String("--hangup-after")) {
        if (!toInt(v, opt.faults.hangupAfter, 0, 1 << 30)) return TOpt::Bad;
    } else if (a == QLatin1String("--freeze-after")) {
        if (!toInt(v, opt.faults.freezeAfter, 1, 1 << 30)) return TOpt::Bad;
    } else if (a == QLatin1String("--drop") || a == QLatin1String("--drop-answer")) {
        const QStringList parts = v.split(QLatin1Char(':'));
        int cmd = 0, k = 0;
        if (parts.size() != 2 || !toCommand(parts[0], cmd) || !toInt(parts[1], k, 1, 1 << 30))
            return TOpt::Bad;
        (a == QLatin1String("--drop") ? opt.faults.drops : opt.faults.answerDrops).append({cmd, k});
    } else if (a == QLatin1String("--corrupt")) {
        if (!toShare(v, opt.faults.corrupt)) return TOpt::Bad;
    } else if (a == QLatin1String("--drop-byte")) {
        if (!toShare(v, opt.faults.dropByte)) return TOpt::Bad;
    } else {
        return TOpt::Unknown;
    }
    return TOpt::Ok;
}

bool flagOption(const QString &a, SimOptions &opt)
{
    if (a == QLatin1String("--help") || a == QLatin1String("-h"))
        opt.help = true;
    else if (a == QLatin1String("--no-pacing"))
        opt.pacing = false;
    else if (a == QLatin1String("--quit-on-eof"))
        opt.quitOnEof = true;
    else if (a == QLatin1String("--verbose") || a == QLatin1String("-v"))
        opt.verbose = true;
    else if (a == QLatin1String("--freeze-acting"))
        opt.faults.freezeActs = true;
    else
        return false;
    return true;
}

} // namespace

bool ParseSimOptions(const QStringList &args, SimOptions &opt, QString &error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (flagOption(a, opt)) continue;
        const bool hasValue = i + 1 < args.size();
        const QString v = hasValue ? args.at(i + 1) : QString();
        TOpt r = lineOption(a, v, opt);
        if (r == TOpt::Unknown) r = identityOption(a, v, opt);
        if (r == TOpt::Unknown) r = faultOption(a, v, opt);
        if (r == TOpt::Unknown) {
            error = QStringLiteral("unknown option: %1 (see --help)").arg(a);
            return false;
        }
        if (!hasValue) {
            error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        if (r == TOpt::Bad) {
            error = QStringLiteral("bad value for %1: %2").arg(a, v);
            return false;
        }
        ++i;
    }
    return true;
}

QString SimHelpText()
{
    return QStringLiteral(
        "Usage: tester-sim [options]\n"
        "Plays the appliance tester at the far end of a serial line.\n"
        "The first line of output is the path of the line it serves: a new\n"
        "pseudo-terminal unless --device is given. It runs until killed, until\n"
        "\"quit\" on stdin, or until --hangup-after closes the line.\n"
        "\n"
        "Line:\n"
        "  --device PATH        serve an existing terminal device instead\n"
        "  --baud N             line speed for pacing (default 9600, 8N1)\n"
        "  --no-pacing          pass bytes at once instead of at line speed\n"
        "  --autosend-ms N      period of the autosend reports, 10..200 (default 200)\n"
        "  --auto-operator S    answer the tester's own questions (visual inspection,\n"
        "                       mains warning, next step, store results) with yes\n"
        "                       after S seconds, as an operator at the tester would\n"
        "Tester:\n"
        "  --records N          N stored test records (default 0)\n"
        "  --seed S             seed of the generated records and faults (default 1)\n"
        "  --twin I             record I + 1 is a copy of record I (counting from 0)\n"
        "  --capacity N         records the memory holds (default 500)\n"
        "  --firmware V         firmware version, e.g. 1.03.00 or \"1.04.02 R1\" (default 1.04.02 R1)\n"
        "  --serial DIGITS      ten-digit serial number (default 0612345678)\n"
        "  --languages LIST     language codes, e.g. de,en,fr (default); \"\" = no choice\n"
        "  --language CODE      current language (default: the second of the list, else the first)\n"
        "  --speed F            run test phases and steps F times faster (default 1)\n"
        "  --min-phase-ms N     no timed phase shorter than N ms after the speed-up, so\n"
        "                       that reports at the autosend period show every phase\n"
        "Faults:\n"
        "  --silent-after N     stop answering and reporting after N frames\n"
        "  --drop CMD:K         the K-th request of command CMD (hex, e.g. 33 or $33) is lost:\n"
        "                       no effect, no answer (repeatable)\n"
        "  --drop-answer CMD:K  the K-th request of CMD takes effect, but its answer is\n"
        "                       lost (repeatable)\n"
        "  --corrupt P          a share P (0..1) of sent frames has a wrong checksum\n"
        "  --drop-byte P        a share P (0..1) of sent frames lacks one byte\n"
        "  --hangup-after N     close the line after answering N frames, then exit\n"
        "  --freeze-after N     after answering N frames, count further requests without\n"
        "                       acting on or answering them, until \"thaw\" on stdin\n"
        "  --freeze-acting      while frozen, carry the requests out; only the answers\n"
        "                       are lost\n"
        "Other:\n"
        "  --verbose            trace frames, phases and steps on stderr\n"
        "  --quit-on-eof        exit when stdin ends (for test harnesses)\n"
        "  --help               this text\n"
        "\n"
        "Control channel: one command per line on stdin, one reply line on stdout\n"
        "(\"ok\", \"error: ...\" or the reply named below):\n"
        "  start | s            press Start (starts a test in phase 2 or 21, else continues)\n"
        "  confirm | weiter | w press Continue/Yes: visual inspection, mains warning,\n"
        "                       next single step, store query (same as action $01)\n"
        "  abort | a            press Abort (same as action $02; at the store query: do not store)\n"
        "  clear                clear the test memory (same as action $10)\n"
        "  visual yes|no        the operator's verdict of the visual inspection\n"
        "  dut K=V ...          values the device under test measures: pe (mOhm), iso (kOhm),\n"
        "                       leak, pec, pec_rev, touch, touch_rev (10 uA)\n"
        "  set K=V ...          tester settings: menu, klasse, messzeit, sperr, lim_pe, lim_iso,\n"
        "                       lim_leak, lim_diff, capacity, language (code)\n"
        "  barcode DIGITS|-     barcode scanned for the next test\n"
        "  state                \"state k=v ...\": phase step stage block menu geraet klasse\n"
        "                       messzeit schalt sperr ablauf standard class isolmode lim_pe\n"
        "                       lim_iso lim_leak lim_diff limit_pe limit_iso limit_third\n"
        "                       records capacity read_active read_ptr autosend live grenzwert\n"
        "                       pe iso leak pec pec_rev touch touch_rev language lang_index\n"
        "                       barcode frames_in frames_out bad_frames dropped silent hangup\n"
        "                       frozen\n"
        "  record I             \"record index=I barcode=... hex=<80 hex digits>\" of stored record I\n"
        "  thaw                 answer requests again after --freeze-after\n"
        "  help                 list of the commands\n"
        "  quit | q             \"bye\", then exit\n"
        "With --verbose, every frame and every change of phase and step is traced on stderr.\n");
}

void ApplySimOptions(const SimOptions &opt, SimTester &tester)
{
    tester.setCapacity(opt.capacity);
    tester.setAutosendPeriod(opt.autosendMs);
    tester.setSpeed(opt.speed);
    tester.setMinPhase(opt.minPhaseMs);
    tester.setAutoOperator(opt.autoOperatorMs);
    std::mt19937 rng(opt.seed);
    QList<SimRecord> records;
    for (int i = 0; i < std::min(opt.records, opt.capacity); ++i)
        records.append(SimRandomRecord(i, rng));
    // Two equal tests in a row: what a reader that compares records must cope with.
    if (opt.twin >= 0 && opt.twin + 1 < records.size()) records[opt.twin + 1] = records[opt.twin];
    tester.setRecords(records);
}

namespace {

bool parseAssignments(const QStringList &words,
                      const std::function<bool(const QString &, const QString &)> &set, QString &reply)
{
    if (words.isEmpty()) {
        reply = QStringLiteral("error: nothing to set");
        return false;
    }
    for (const QString &w : words) {
        const qsizetype eq = w.indexOf(QLatin1Char('='));
        if (eq <= 0 || !set(w.left(eq), w.mid(eq + 1))) {
            reply = QStringLiteral("error: bad assignment %1").arg(w);
            return false;
        }
    }
    return true;
}

// One "key=value" of the set command; false for an unknown key or a value out of range.
bool setValue(SimBlock &b, SimLimitIndexes &idx, int &capacity, const QString &k, int n)
{
    if (k == QLatin1String("menu") && n <= 0xFF)
        b.menu = std::uint8_t(n);
    else if (k == QLatin1String("klasse") && n <= 0xFF)
        b.klasse = std::uint8_t(n);
    else if (k == QLatin1String("messzeit") && n >= 1 && n <= 250)
        b.messzeit = std::uint8_t(n);
    else if (k == QLatin1String("sperr") && n <= 0xFF)
        b.sperr = std::uint8_t(n);
    else if (k == QLatin1String("lim_pe") && LimitIndexValid(ltSchutzleiterwid, n))
        idx.pe = n;
    else if (k == QLatin1String("lim_iso") && LimitIndexValid(ltIsolationswid, n))
        idx.iso = n;
    else if (k == QLatin1String("lim_leak") && LimitIndexValid(ltAbleitstrom, n))
        idx.leak = n;
    else if (k == QLatin1String("lim_diff") && LimitIndexValid(ltDifferenzstrom, n))
        idx.diff = n;
    else if (k == QLatin1String("capacity") && n >= 1 && n <= 1638)
        capacity = n;
    else
        return false;
    return true;
}

QString visualCommand(SimTester &t, const QStringList &words)
{
    const QString ok = QStringLiteral("ok");
    const QString v = words.value(0).toLower();
    if (v == QLatin1String("yes") || v == QLatin1String("ja")) {
        t.setVisualPassed(true);
    } else if (v == QLatin1String("no") || v == QLatin1String("nein")) {
        t.setVisualPassed(false);
    } else {
        return QStringLiteral("error: visual yes|no");
    }
    return ok;
}

QString dutCommand(SimTester &t, const QStringList &words)
{
    const QString ok = QStringLiteral("ok");
    static const QStringList keys{QString(),
                                  QStringLiteral("pe"),
                                  QStringLiteral("iso"),
                                  QStringLiteral("leak"),
                                  QStringLiteral("pec"),
                                  QStringLiteral("pec_rev"),
                                  QStringLiteral("touch"),
                                  QStringLiteral("touch_rev")};
    QString reply = ok;
    SimDut dut = t.dut();
    const bool done = parseAssignments(
        words,
        [&](const QString &k, const QString &v) {
            const int idx = int(keys.indexOf(k.toLower()));
            int n = 0;
            if (idx < 1 || !toInt(v, n, 0, 32767)) return false;
            dut.value[size_t(idx)] = n;
            return true;
        },
        reply);
    if (done) t.dut() = dut;
    return reply;
}

QString setCommand(SimTester &t, const QStringList &words)
{
    const QString ok = QStringLiteral("ok");
    QString reply = ok;
    SimBlock b = t.blockState();
    SimLimitIndexes idx = t.limits();
    int capacity = t.capacity();
    int language = -1;
    const bool done = parseAssignments(
        words,
        [&](const QString &key, const QString &v) {
            const QString k = key.toLower();
            int n = 0;
            if (k == QLatin1String("language")) {
                language = int(t.identity().languages.indexOf(v));
                return language >= 0;
            }
            if (!toInt(v, n, 0, 65535)) return false;
            return setValue(b, idx, capacity, k, n);
        },
        reply);
    if (done) {
        t.block() = b;
        t.limitIndexes() = idx;
        t.setCapacity(capacity);
        if (language >= 0) t.setLanguage(language);
    }
    return reply;
}

QString barcodeCommand(SimTester &t, const QStringList &words)
{
    const QString ok = QStringLiteral("ok");
    const QString v = words.value(0);
    if (v == QLatin1String("-") || v.isEmpty()) {
        t.setBarcode(QString());
        return ok;
    }
    if (v.size() > 16 || !std::all_of(v.begin(), v.end(), [](QChar c) { return c.isDigit(); }))
        return QStringLiteral("error: barcode of 0..16 digits");
    t.setBarcode(v);
    return ok;
}

QString recordCommand(SimTester &t, const QStringList &words)
{
    int i = 0;
    if (!toInt(words.value(0), i, 0, 65535) || i >= t.records().size())
        return QStringLiteral("error: no record %1").arg(words.value(0));
    const SimRecord &r = t.records().at(i);
    return QStringLiteral("record index=%1 barcode=%2 hex=%3")
        .arg(i)
        .arg(r.barcode().isEmpty() ? QStringLiteral("-") : r.barcode(), r.hex());
}

} // namespace

QString SimControlCommand(SimLine &line, const QString &command, qint64 nowMs, bool &quit)
{
    SimTester &t = line.tester();
    t.advance(nowMs);
    QStringList words = command.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) return {};
    const QString cmd = words.takeFirst().toLower();
    const QString ok = QStringLiteral("ok");

    // One-letter keys for the interactive demo: s(tart), w(eiter), a(bort).
    if (cmd == QLatin1String("start") || cmd == QLatin1String("confirm") || cmd == QLatin1String("weiter") ||
        cmd == QLatin1String("continue") || cmd == QLatin1String("s") || cmd == QLatin1String("w")) {
        t.action(akStart, nowMs);
        return ok;
    }
    if (cmd == QLatin1String("abort") || cmd == QLatin1String("a")) {
        t.action(akAbbrechen, nowMs);
        return ok;
    }
    if (cmd == QLatin1String("clear")) {
        t.action(akSpeicherClr, nowMs);
        return ok;
    }
    if (cmd == QLatin1String("visual")) return visualCommand(t, words);
    if (cmd == QLatin1String("dut")) return dutCommand(t, words);
    if (cmd == QLatin1String("set")) return setCommand(t, words);
    if (cmd == QLatin1String("barcode")) return barcodeCommand(t, words);
    if (cmd == QLatin1String("state"))
        return QStringLiteral("state ") + t.stateLine() + QLatin1Char(' ') + line.statsLine();
    if (cmd == QLatin1String("record")) return recordCommand(t, words);
    if (cmd == QLatin1String("thaw")) {
        line.thaw();
        return ok;
    }
    if (cmd == QLatin1String("help"))
        return QStringLiteral(
            "commands: start confirm weiter abort clear visual dut set barcode state record thaw help quit");
    if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit") || cmd == QLatin1String("q")) {
        quit = true;
        return QStringLiteral("bye");
    }
    return QStringLiteral("error: unknown command %1 (try help)").arg(cmd);
}
