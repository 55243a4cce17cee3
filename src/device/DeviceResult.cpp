#include "device/DeviceResult.h"

#include <string>

namespace {

std::string WithCode(const char* format, int code) {
  std::string text = format;
  size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(code));
  return text;
}

}  // namespace

std::string DeviceResultMessage(int code, bool saving) {
  switch (code) {
    case kDevOk:
      return std::string();
    case 101:
    case 102:
    case 104:
      // A second message of its own with the same text.
      return WithCode("通信中にエラーが発生しました。(%d)", code);
    case kDevMemoryFull:
      return "「クイルプ」ＰＲＯ本体の登録メモリが不足です。";
    case kDevDeleteRefused:
      return "「クイルプ」PRO本体のデータは削除できませんでした。\n本体のデータを表示させてから実行してください。";
    case kDevNoMemory:
      return "メモリ不足のため処理できませんでした。";
    case kDevNotTaken:
      return "未対応のデータです。";
    case kDevCutter:
      return "「クイルプ」ＰＲＯ本体のカッター動作に不具合が生じました。\nテープがはさまって動かない場合は、電源をＯＦＦにしてから\nテープカートリッジを取りはずしてください。\nエラーを繰り返す場合は、お買い上げ販売店、\n「クイルプ」取扱店または当社お客様相談室に\nお問い合わせください。";
    case kDevMotor:
      return "「クイルプ」ＰＲＯ本体のモーター動作に不具合が生じました。\n［ＯＫ］をクリックしたあと、電源ＯＦＦにしてから\n「クイルプ」ＰＲＯ本体を確認してください。\n再度ＡＣアダプタを接続して印刷しなおしてもエラーを\n繰り返す場合は、お買い上げ販売店、「クイルプ」取扱店\nまたは当社お客様相談室にお問い合わせください。";
    case kDevHeadHot:
      return "「クイルプ」ＰＲＯ本体の印刷ヘッドが過熱しています。\n印刷ヘッドを冷やすため、テープカートリッジを抜き取り\nしばらく放置してください。";
    case kDevNoPrinter:
      return "本プログラムには、専用プリンタのドライバが必要です。\n所定のドライバをインストールしてください。";
    case kDevSeveral:
      return "「クイルプ」ＰＲＯ本体を複数接続時は通信ができません。\n接続する「クイルプ」ＰＲＯ本体を１台にしてください。";
    case -14:
      return "ﾌｫﾙﾀﾞを作成することができませんでした。";
    case -13:
      return "指定のファイルがありません。";
    case -12:
      return "ディスク容量不足のため書き込めませんでした。。";
    case -11:
      return saving ? "保存のためのファイルを開くことができませんでした。"
                    : "読み込むためのファイルを開くことができませんでした。";
    case kDevPrinting:
      return "「クイルプ」ＰＲＯ本体が印刷中のため通信できません。\n印刷終了後、もう一度実行してください。";
    default:
      break;
  }
  if (code >= 1 && code <= 14) return WithCode("通信中にエラーが発生しました。(%d)", code);
  // -1, 51 and every code without a text of its own.
  return "「クイルプ」ＰＲＯ本体と通信に失敗しました。\n・「クイルプ」ＰＲＯ本体の電源が入っているか？\n・ケーブルが正しく接続されているか？\n・「クイルプ」ＰＲＯ本体が印刷中でないか？\n・他のアプリケーションやドライバが「クイルプ」ＰＲＯ本体を\n　接続したポートを使用していないか？\n・ネットワークケーブルを介して、「クイルプ」ＰＲＯ本体のファイルにアクセスしていないか？\n以上の事項を確認して下さい。\n確認が出来ましたら、もう一度実行してください。";
}
