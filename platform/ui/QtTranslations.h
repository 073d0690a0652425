#pragma once

// Loads Qt's own Japanese texts (qtbase_ja: the file dialogs, the message-box
// buttons, the colour dialog, the replace question), so that the whole
// interface speaks Japanese whatever the desktop's language. Returns false
// when the translation files are not installed; Qt's English texts stay then.
bool InstallQtJapaneseTranslations();
