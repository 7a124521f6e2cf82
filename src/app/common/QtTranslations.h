#pragma once

// Qt's own dialogs (print preview, printer choice, file dialogs, standard
// buttons) in German, like the rest of the program. Without the translation
// files they stay English; nothing else changes.
void InstallQtTranslations();
