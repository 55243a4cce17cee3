#pragma once

// Makes Qt's own texts (the buttons and labels of the standard dialogs)
// Japanese like the rest of the program, whatever the desktop's locale:
// installs Qt's Japanese translation as a child of the application object,
// named "qtbase_ja". Does nothing when it is installed already; false when
// the translation cannot be loaded, and those texts stay English.
bool InstallQtTranslation();
