#pragma once

class QCoreApplication;

// Qt's own Japanese texts for what Qt draws itself: the buttons of message
// boxes (はい, いいえ, キャンセル), the file dialogs (名前を付けて保存) and the
// text boxes' context menus. They come from the system's Qt translations
// (Debian's qt6-translations-l10n); without them Qt's English stays and the
// program still starts. False when they were not found.
bool InstallQtJapanese(QCoreApplication& app);
