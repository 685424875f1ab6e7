#pragma once

// Loads the toolkit's Simplified Chinese translations (file dialogs, message-box buttons, the
// replace question) and installs them in the application, whatever the user's locale. Call once
// after the QApplication exists. False when the translations are not installed; the toolkit then
// speaks English.
bool InstallChineseToolkitTexts();
