#include "app/common/SignatureSettings.h"

#include "core/IniFile.h"

#include <QDir>
#include <QFileInfo>

TPdfSignatureSettings ReadSignatureSettings(const TIniFile &ini)
{
    const QString section = QStringLiteral("Signatur");
    TPdfSignatureSettings s;
    s.Certificate = ini.ReadString(section, QStringLiteral("Zertifikat"), QString());
    s.Password = ini.ReadString(section, QStringLiteral("Passwort"), QString());
    if (s.Enabled() && QFileInfo(s.Certificate).isRelative())
        s.Certificate = QFileInfo(ini.FileName()).absoluteDir().filePath(s.Certificate);
    return s;
}
