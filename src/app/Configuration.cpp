#include "app/Configuration.h"

#include "serial/IniFile.h"

namespace {

const QString sPosition = QStringLiteral("Position");
const QString sInterface = QStringLiteral("Interface");
const QString sConfiguration = QStringLiteral("Configuration");
const QString sTiming = QStringLiteral("Timing");
const QString sExport = QStringLiteral("Export");
const QString sDataBase = QStringLiteral("DataBase");

const std::array<TExportSwitch, TConfiguration::ExportSwitchCount> kExportSwitches = {{
    {"KundenNr", false},
    {"PrueflingNr", false},
    {"PruefungsNr", false},
    {"Name1", true},
    {"Name2", true},
    {"Name3", true},
    {"KdStr", true},
    {"KdLKZ", true},
    {"KdPLZ", true},
    {"KdOrt", true},
    {"Telefon", true},
    {"Fax", true},
    {"Bezeichnung", true},
    {"Typ", true},
    {"Inventarnummer", true},
    {"Fabrikationsnummer", true},
    {"Seriennummer", true},
    {"Barcode", true},
    {"Datum", true},
    {"GTSeriennummer", true},
    {"Grenzwertflags", false},
    {"Menueflags", false},
    {"Schutzklasse", true},
    {"Sichtpruefung", true},
    {"Messablauf", false},
    {"Schutzleiterwid", true},
    {"Isolationswid", true},
    {"Ableitstrom", true},
    {"SchutzlStromL1N", true},
    {"SchutzlStromNL1", true},
    {"BeruehrungsstromL1N", true},
    {"BeruehrungsstromNL1", true},
    {"GrwSchutzleiterwid", true},
    {"GrwIsolationswid", true},
    {"GrwAbleitstrom", true},
    {"GrwSchutzleiterstrom", true},
    {"GrwBeruehrungsstrom", true},
    {"GrwSchnellabschaltung", true},
    {"Pruefungsergebnis", true},
    {"Notiz", true},
    {"Pruefer", true},
    {"Bewertender", true},
    {"SchutzleiterwidLimit", true},
    {"IsolationswidLimit", true},
    {"AbleitstromLimit", true},
    {"SchutzlStromL1NLimit", true},
    {"SchutzlStromNL1Limit", true},
    {"BeruehrungsstromL1NLimit", true},
    {"BeruehrungsstromNL1Limit", true},
    {"Schnellabschaltung", true},
    {"automatisch", false},
    {"DINVDE", true},
    {"mitIsol", true},
    {"manuGrenz", true},
    {"mitBeruehr", true},
    {"abgebrochen", true},
}};

QString lineKey(const char *base, int i)
{
    return QLatin1String(base) + QString::number(i + 1);
}

} // namespace

const std::array<TExportSwitch, TConfiguration::ExportSwitchCount> &TConfiguration::ExportSwitchTable()
{
    return kExportSwitches;
}

int TConfiguration::ExportSwitchIndex(const QString &key)
{
    for (int i = 0; i < ExportSwitchCount; ++i)
        if (key.compare(QLatin1String(kExportSwitches[i].Key), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

TConfiguration::TConfiguration() : TConfiguration(nullptr) {}

void TConfiguration::Reset()
{
    *this = TConfiguration(std::nullptr_t{});
}

TConfiguration::TConfiguration(std::nullptr_t)
{
    for (int i = 0; i < ExportSwitchCount; ++i) ExportSwitches[i] = kExportSwitches[i].Default;
}

void TConfiguration::Read(const TIniFile &ini)
{
    const TConfiguration d(nullptr);

    Left = ini.ReadInteger(sPosition, QStringLiteral("Left"), d.Left);
    Top = ini.ReadInteger(sPosition, QStringLiteral("Top"), d.Top);

    Port = ini.ReadInteger(sInterface, QStringLiteral("Port"), d.Port);
    // The port is an ordinal of NoPort..Com9; anything else would name no port at all.
    if (Port < 0 || Port > 9) Port = d.Port;
    BusLog = ini.ReadString(sInterface, QStringLiteral("BusLog"), d.BusLog);
    COMLog = ini.ReadString(sInterface, QStringLiteral("COMLog"), d.COMLog);
    PgmLog = ini.ReadString(sInterface, QStringLiteral("PgmLog"), d.PgmLog);
    AutoConnect = ini.ReadBool(sInterface, QStringLiteral("AutoConnect"), d.AutoConnect);

    ShowHints = ini.ReadBool(sConfiguration, QStringLiteral("ShowHints"), d.ShowHints);
    Operator = ini.ReadString(sConfiguration, QStringLiteral("Operator"), d.Operator);
    Assessor = ini.ReadString(sConfiguration, QStringLiteral("Assessor"), d.Assessor);
    for (int i = 0; i < 5; ++i) TopLine[i] = ini.ReadString(sConfiguration, lineKey("TopLine", i), QString());
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

    for (int i = 0; i < ExportSwitchCount; ++i)
        ExportSwitches[i] =
            ini.ReadBool(sExport, QLatin1String(kExportSwitches[i].Key), kExportSwitches[i].Default);
    Enables = ini.ReadBool(sExport, QStringLiteral("Enables"), d.Enables);
    SichtprZeilen = ini.ReadBool(sExport, QStringLiteral("SichtprZeilen"), d.SichtprZeilen);

    ConnectionString = ini.ReadString(sDataBase, QStringLiteral("ConnectionString"), d.ConnectionString);
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
    for (int i = 0; i < 5; ++i) ini.WriteString(sConfiguration, lineKey("TopLine", i), TopLine[i]);
    for (int i = 0; i < 5; ++i) ini.WriteString(sConfiguration, lineKey("BottomLine", i), BottomLine[i]);
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

    for (int i = 0; i < ExportSwitchCount; ++i)
        ini.WriteBool(sExport, QLatin1String(kExportSwitches[i].Key), ExportSwitches[i]);
    ini.WriteBool(sExport, QStringLiteral("Enables"), Enables);
    ini.WriteBool(sExport, QStringLiteral("SichtprZeilen"), SichtprZeilen);

    ini.WriteString(sDataBase, QStringLiteral("ConnectionString"), ConnectionString);
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

bool TConfiguration::ExportSwitch(const QString &key) const
{
    const int i = ExportSwitchIndex(key);
    return i >= 0 && ExportSwitches[i];
}

void TConfiguration::setExportSwitch(const QString &key, bool on)
{
    const int i = ExportSwitchIndex(key);
    if (i >= 0) ExportSwitches[i] = on;
}
