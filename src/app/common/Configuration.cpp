#include "app/common/Configuration.h"

#include "app/common/LabelSettings.h"
#include "app/common/SignatureSettings.h"
#include "core/IniFile.h"

namespace {

const QString sPosition = QStringLiteral("Position");
const QString sInterface = QStringLiteral("Interface");
const QString sConfiguration = QStringLiteral("Configuration");
const QString sTiming = QStringLiteral("Timing");
const QString sDataBase = QStringLiteral("DataBase");

QString lineKey(const char *base, int i)
{
    return QLatin1String(base) + QString::number(i + 1);
}

// COM1..COM9 only: 0 would show "COM0" and connect to nothing. Anything else
// is said, so that the user is not told later that the tester does not answer.
int readPort(const TIniFile &ini, int fallback, QStringList &problems)
{
    const QString text = ini.ReadString(sInterface, QStringLiteral("Port"), QString()).trimmed();
    if (text.isEmpty()) return fallback;
    bool ok = false;
    const int port = text.toInt(&ok);
    if (ok && port >= 1 && port <= 9) return port;
    problems << QStringLiteral("Der Wert „%1“ für „Port“ in der Konfigurationsdatei ist keine Schnittstelle "
                               "COM1 bis COM9; es wird COM%2 verwendet.")
                    .arg(text)
                    .arg(fallback);
    return fallback;
}

} // namespace

QStringList TimingProblems(int messageTimeOut, int charTimeOut, int messageAnswerRam)
{
    // One character takes about 1 ms at 9600 Bd; the shortest exchange (a
    // request and its answer frame, each with header and checksum) about 15 ms
    // before the tester has even begun to work on it.
    constexpr int kMinMessageTimeOut = 20;
    constexpr int kMinCharTimeOut = 2;
    QStringList problems;
    if (messageTimeOut < kMinMessageTimeOut)
        problems << QStringLiteral(
                        "„MessageTimeOut“ = %1 ms in der Konfigurationsdatei ist zu kurz: keine Antwort "
                        "des Gerätetesters kann so schnell ankommen (mindestens %2 ms, üblich 500 ms).")
                        .arg(messageTimeOut)
                        .arg(kMinMessageTimeOut);
    // A message the tester leaves unanswered (switching autosend off) holds
    // the line for MessageTimeOut; the shortest request gives up after its
    // three tries of three attempts of MessageAnswerRAM each. Unless one of
    // them is left after the line is free, every request behind such a
    // message runs out before it is even sent (measured: 2 400 ms still
    // fetches with the defaults, 2 550 ms never does).
    const int longest = messageAnswerRam * 8;
    if (messageAnswerRam > 0 && messageTimeOut > longest)
        problems << QStringLiteral(
                        "„MessageTimeOut“ = %1 ms in der Konfigurationsdatei ist zu lang: eine "
                        "unbeantwortete Nachricht hält die Leitung so lange, dass die Anfragen dahinter "
                        "(„MessageAnswerRAM“ = %2 ms) aufgeben, bevor sie gesendet werden "
                        "(höchstens %3 ms, üblich 500 ms).")
                        .arg(messageTimeOut)
                        .arg(messageAnswerRam)
                        .arg(longest);
    if (charTimeOut < kMinCharTimeOut)
        problems << QStringLiteral(
                        "„CharTimeOut“ = %1 ms in der Konfigurationsdatei ist zu kurz: schon zwei "
                        "Zeichen hintereinander brauchen länger (mindestens %2 ms, üblich 100 ms).")
                        .arg(charTimeOut)
                        .arg(kMinCharTimeOut);
    return problems;
}

TConfiguration::TConfiguration() = default;

void TConfiguration::Reset()
{
    *this = TConfiguration();
}

void TConfiguration::Read(const TIniFile &ini)
{
    const TConfiguration d;

    Left = ini.ReadInteger(sPosition, QStringLiteral("Left"), d.Left);
    Top = ini.ReadInteger(sPosition, QStringLiteral("Top"), d.Top);

    Problems.clear();
    Port = readPort(ini, d.Port, Problems);
    BusLog = ini.ReadString(sInterface, QStringLiteral("BusLog"), d.BusLog);
    COMLog = ini.ReadString(sInterface, QStringLiteral("COMLog"), d.COMLog);
    PgmLog = ini.ReadString(sInterface, QStringLiteral("PgmLog"), d.PgmLog);
    AutoConnect = ini.ReadBool(sInterface, QStringLiteral("AutoConnect"), d.AutoConnect);

    ShowHints = ini.ReadBool(sConfiguration, QStringLiteral("ShowHints"), d.ShowHints);
    Operator = ini.ReadString(sConfiguration, QStringLiteral("Operator"), d.Operator);
    Assessor = ini.ReadString(sConfiguration, QStringLiteral("Assessor"), d.Assessor);
    for (int i = 0; i < 5; ++i)
        TopLine[i] = ini.ReadString(sConfiguration, lineKey("TopLine", i), QString());
    for (int i = 0; i < 5; ++i)
        BottomLine[i] = ini.ReadString(sConfiguration, lineKey("BottomLine", i), QString());
    ServiceInterv = ini.ReadInteger(sConfiguration, QStringLiteral("ServiceInterv"), d.ServiceInterv);
    aktCheckNumber = ini.ReadInteger(sConfiguration, QStringLiteral("aktCheckNumber"), d.aktCheckNumber);
    Preview = ini.ReadBool(sConfiguration, QStringLiteral("Preview"), d.Preview);
    ExportFile = ini.ReadInteger(sConfiguration, QStringLiteral("ExportFile"), d.ExportFile);
    ExportFileName = ini.ReadString(sConfiguration, QStringLiteral("ExportFileName"), d.ExportFileName);

    MessageAnswerRAM = ini.ReadInteger(sTiming, QStringLiteral("MessageAnswerRAM"), d.MessageAnswerRAM);
    MessageAnswerReadEEPROM =
        ini.ReadInteger(sTiming, QStringLiteral("MessageAnswerReadEEPROM"), d.MessageAnswerReadEEPROM);
    MessageAnswerWriteEEPROM =
        ini.ReadInteger(sTiming, QStringLiteral("MessageAnswerWriteEEPROM"), d.MessageAnswerWriteEEPROM);
    MessageTimeOut = ini.ReadInteger(sTiming, QStringLiteral("MessageTimeOut"), d.MessageTimeOut);
    CharTimeOut = ini.ReadInteger(sTiming, QStringLiteral("CharTimeOut"), d.CharTimeOut);
    RefreshTime = ini.ReadInteger(sTiming, QStringLiteral("RefreshTime"), d.RefreshTime);
    InActiveTime = ini.ReadInteger(sTiming, QStringLiteral("InActiveTime"), d.InActiveTime);
    SettingDelay = ini.ReadInteger(sTiming, QStringLiteral("SettingDelay"), d.SettingDelay);
    Problems += TimingProblems(MessageTimeOut, CharTimeOut, MessageAnswerRAM);

    Export.Read(ini);
    Signature = ReadSignatureSettings(ini);

    ConnectionString = ini.ReadString(sDataBase, QStringLiteral("ConnectionString"), d.ConnectionString);
    LabelProblems.clear();
    Labels = ReadLabelPrintArea(ini, LabelProblems);
    Problems += LabelProblems;
}

void TConfiguration::Write(TIniFile &ini) const
{
    ini.WriteInteger(sPosition, QStringLiteral("Left"), Left);
    ini.WriteInteger(sPosition, QStringLiteral("Top"), Top);

    ini.WriteInteger(sInterface, QStringLiteral("Port"), Port);
    ini.WriteString(sInterface, QStringLiteral("BusLog"), BusLog);
    ini.WriteString(sInterface, QStringLiteral("COMLog"), COMLog);
    ini.WriteString(sInterface, QStringLiteral("PgmLog"), PgmLog);
    ini.WriteBool(sInterface, QStringLiteral("AutoConnect"), AutoConnect);

    ini.WriteBool(sConfiguration, QStringLiteral("ShowHints"), ShowHints);
    ini.WriteString(sConfiguration, QStringLiteral("Operator"), Operator);
    ini.WriteString(sConfiguration, QStringLiteral("Assessor"), Assessor);
    for (int i = 0; i < 5; ++i)
        ini.WriteString(sConfiguration, lineKey("TopLine", i), TopLine[i]);
    for (int i = 0; i < 5; ++i)
        ini.WriteString(sConfiguration, lineKey("BottomLine", i), BottomLine[i]);
    ini.WriteInteger(sConfiguration, QStringLiteral("ServiceInterv"), ServiceInterv);
    ini.WriteInteger(sConfiguration, QStringLiteral("aktCheckNumber"), aktCheckNumber);
    ini.WriteBool(sConfiguration, QStringLiteral("Preview"), Preview);
    ini.WriteInteger(sConfiguration, QStringLiteral("ExportFile"), ExportFile);
    ini.WriteString(sConfiguration, QStringLiteral("ExportFileName"), ExportFileName);

    ini.WriteInteger(sTiming, QStringLiteral("MessageAnswerRAM"), MessageAnswerRAM);
    ini.WriteInteger(sTiming, QStringLiteral("MessageAnswerReadEEPROM"), MessageAnswerReadEEPROM);
    ini.WriteInteger(sTiming, QStringLiteral("MessageAnswerWriteEEPROM"), MessageAnswerWriteEEPROM);
    ini.WriteInteger(sTiming, QStringLiteral("MessageTimeOut"), MessageTimeOut);
    ini.WriteInteger(sTiming, QStringLiteral("CharTimeOut"), CharTimeOut);
    ini.WriteInteger(sTiming, QStringLiteral("RefreshTime"), RefreshTime);
    ini.WriteInteger(sTiming, QStringLiteral("InActiveTime"), InActiveTime);
    ini.WriteInteger(sTiming, QStringLiteral("SettingDelay"), SettingDelay);

    Export.Write(ini);

    ini.WriteString(sDataBase, QStringLiteral("ConnectionString"), ConnectionString);
    WriteLabelPrintArea(ini, Labels);
}

void TConfiguration::ReadFile(const QString &fileName)
{
    const TIniFile ini(fileName);
    Read(ini);
}

bool TConfiguration::WriteFile(const QString &fileName) const
{
    TIniFile ini(fileName);
    // One write of the whole file instead of one per key.
    ini.setAutoFlush(false);
    Write(ini);
    return ini.flush();
}

QString TConfiguration::DefaultFileName()
{
    return TIniFile::ProgramIniPath();
}

TSettingsValues TConfiguration::Settings() const
{
    TSettingsValues v;
    v.TopLine = TopLine;
    v.BottomLine = BottomLine;
    v.Preview = Preview;
    v.Operator = Operator;
    v.Assessor = Assessor;
    v.ServiceInterv = ServiceInterv;
    v.ExportFile = ExportFile;
    v.ExportFileName = ExportFileName;
    v.Export = Export;
    return v;
}

void TConfiguration::setSettings(const TSettingsValues &v)
{
    TopLine = v.TopLine;
    BottomLine = v.BottomLine;
    Preview = v.Preview;
    Operator = v.Operator;
    Assessor = v.Assessor;
    ServiceInterv = v.ServiceInterv;
    ExportFile = v.ExportFile;
    ExportFileName = v.ExportFileName;
    Export = v.Export;
}
