#include "guikit/Strings.h"

#include <string>

#include "guikit/CommandIds.h"
#include "model/Cp932.h"

namespace {

struct STRINGROW {
  int id;
  const char* text;
};

// Tool tips longer than this many CP932 bytes are cut.
constexpr size_t kTipBytes = 80;

constexpr STRINGROW kStrings[] = {
    {kIdcOpenLeft, "XAMUファイル(.xmb形式)を開きます。\n開く"},
    {kIdcOpenDevice, "「クイルプ」PRO本体のファイルを開きます。\n本体データ"},
    {kIdcOpenRight, "XAMUファイル(.xmb形式)を開きます。\n開く"},
    {kIdcGlyphEdit, "外字データを編集加工します。\n外字編集"},
    {kIdcCatFile, "ファイルデータを転送します。\nファイルデータ"},
    {kIdcCatAddress, "あて名データを転送します。\nあて名データ"},
    {kIdcCatName, "名前データを転送します。\n名前データ"},
    {kIdcCatGlyph, "外字データを転送します。\n外字データ"},
    {kIdcTransfer, "データを転送します。\n転送"},
    {kIdcCopy, "データをコピーします。\nコピー"},
    {kIdcPaste, "コピーしたデータを貼り付けます。\n貼り付け"},
    {kStrWebAddress, "https://www.korvante.example/quilp/"},
    {kStrBrowserFailed, "ブラウザプログラムの起動ができませんでした。"},
    {kStrNoDriver,
     "本プログラムには、専用プリンタのドライバが必要です。\n所定のドライバをインストールしてください。"},
    {kStrTitle, "DATAﾒﾓﾘｰｼｽﾃﾑ XAMU"},
    {kStrManyConnected,
     "「クイルプ」ＰＲＯ本体を複数接続時は通信ができません。\n接続する「クイルプ」ＰＲＯ本体を１台にしてください。"},
    {kStrAppName, "XAMU"},
    {kStrIdle, "ﾍﾙﾌﾟを表示するには [F1] を押してください。"},
    // Commands: status text and tool tip.
    {kCmdNew, "新しいﾌｧｲﾙを作成します。\n新規作成"},
    {kCmdSave, "ﾌｧｲﾙを上書き保存します。\n上書き保存"},
    {kCmdSaveAs, "ﾌｧｲﾙに名前を付けて保存します。\n名前を付けて保存"},
    {kCmdCut, "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに移動します。\n切り取り"},
    {kCmdCopy, "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存します。\nｺﾋﾟｰ"},
    {kCmdPaste, "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付けます。\n貼り付け"},
    {kCmdDelete, "選択中のﾃﾞｰﾀを削除します。\n削除"},
    {kCmdRefresh, "本体ﾃﾞｰﾀを最新の情報に更新します。\n最新の情報に更新"},
    {kCmdSelectAll, "ﾃﾞｰﾀをすべて選択します。\n全て選択"},
    {kCmdUndo, "直前に行った操作を元に戻します。\n元に戻す"},
    {kCmdTransferAll, "全ﾃﾞｰﾀを転送します。\n全転送"},
    {kCmdOpenPrinter, "「クイルプ」PRO本体のﾃﾞｰﾀを開きます。\n本体ﾃﾞｰﾀ"},
    {kCmdOpenFile, "XAMUﾌｧｲﾙ(.xmb形式)を開きます。\n開く"},
    {kCmdReadAddress, "あて名ﾃﾞｰﾀをﾃｷｽﾄ/表計算ﾌｧｲﾙから読み込みます。\nあて名ﾃﾞｰﾀ読み込み"},
    {kCmdSaveAddress, "あて名ﾃﾞｰﾀをﾃｷｽﾄ/表計算ﾌｧｲﾙに保存します。\nあて名ﾃﾞｰﾀ保存"},
    {kCmdReadName, "名前ﾃﾞｰﾀをﾃｷｽﾄ/表計算ﾌｧｲﾙから読み込みます。\n名前ﾃﾞｰﾀ読み込み"},
    {kCmdSaveName, "名前ﾃﾞｰﾀをﾃｷｽﾄ/表計算ﾌｧｲﾙに保存します。\n名前ﾃﾞｰﾀ保存"},
    {kCmdWebPage, "KORVANTEのWebﾍﾟｰｼﾞを表示します。\nWebﾍﾟｰｼﾞ"},
    {kCmdDataSelect, "ﾃﾞｰﾀの種類を選択します。\nﾃﾞｰﾀ選択"},
    {kCmdToolBar, "ﾂｰﾙ ﾊﾞｰの表示/非表示を切り替えます。\nﾂｰﾙ ﾊﾞｰの表示切り替え"},
    {kCmdStatusBar, "ｽﾃｰﾀｽ ﾊﾞｰの表示/非表示を切り替えます。\nｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
    {kCmdAbout, "ﾌﾟﾛｸﾞﾗﾑ情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示します。\nﾊﾞｰｼﾞｮﾝ情報"},
    {kCmdExit, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示します。\n終了"},
    {kCmdHelpTopics, "ﾍﾙﾌﾟの目次を表示します。\nﾍﾙﾌﾟ"},
};

}  // namespace

QString LoadString(int id) {
  for (const STRINGROW& row : kStrings)
    if (row.id == id) return QString::fromUtf8(row.text);
  return {};
}

QString StatusText(int id) {
  const QString text = LoadString(id);
  const int cut = text.indexOf(u'\n');
  return cut < 0 ? text : text.left(cut);
}

QString TipText(int id) {
  const QString text = LoadString(id);
  const int cut = text.indexOf(u'\n');
  return CutToCp932Bytes(cut < 0 ? QString() : text.mid(cut + 1), kTipBytes);
}

QString CutToCp932Bytes(const QString& text, size_t maxBytes) {
  const QByteArray utf8 = text.toUtf8();
  const std::string bytes = Utf8ToCp932(std::string_view(utf8.constData(), size_t(utf8.size())));
  if (bytes.size() <= maxBytes) return text;
  const size_t keep = Cp932PrefixLength(bytes, maxBytes);
  return QString::fromStdString(Cp932ToUtf8(std::string_view(bytes).substr(0, keep)));
}
