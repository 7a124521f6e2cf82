#pragma once

#include "protocols/PdfSigner.h"

class TIniFile;

// Section [Signatur] of the settings file: "Zertifikat" (a PKCS#12 file; a
// relative path is taken from the settings file's folder) and "Passwort".
// Read only: the program never writes the password anywhere.
TPdfSignatureSettings ReadSignatureSettings(const TIniFile &ini);
