#pragma once
#include <QString>

// The string table: texts keyed by the command or control they belong to,
// and the messages of the application shell. A text of a control is
// "<status bar text>\n<tool tip>".

// The text of string `id`, or an empty string.
QString LoadString(int id);
// The part before the line break (status bar help).
QString StatusText(int id);
// The part after the line break, cut to 80 CP932 bytes on a character
// boundary (tool tips).
QString TipText(int id);
// `text` cut to at most `maxBytes` CP932 bytes without splitting a character.
QString CutToCp932Bytes(const QString& text, size_t maxBytes);

// String numbers of the shell's messages and texts.
enum : int {
  kStrBrowserFailed = 143,   // ブラウザプログラムの起動ができませんでした。
  kStrWebAddress = 142,      // the maker's web page
  kStrNoDriver = 149,        // no printer of a known model
  kStrTitle = 166,           // DATAﾒﾓﾘｰｼｽﾃﾑ XAMU
  kStrManyConnected = 207,   // more than one printer connected
  kStrIdle = 57345,          // ﾍﾙﾌﾟを表示するには [F1] を押してください。
  kStrAppName = 57344,       // XAMU
};
