#include <gtest/gtest.h>

#include <string>

#include "device/DeviceResult.h"

namespace {

const std::string kCommFailure =
    "「クイルプ」ＰＲＯ本体と通信に失敗しました。\n・「クイルプ」ＰＲＯ本体の電源が入っているか？\n・ケーブルが正しく接続"
    "されているか？\n・「クイルプ」ＰＲＯ本体が印刷中でないか？\n・他のアプリケーションやドライバが「クイルプ」ＰＲＯ本体を\n"
    "　接続したポートを使用していないか？\n・ネットワークケーブルを介して、「クイルプ」ＰＲＯ本体のファイルにアクセスしていな"
    "いか？\n以上の事項を確認して下さい。\n確認が出来ましたら、もう一度実行してください。";

TEST(DeviceResult, MessageTable) {
  struct CASE {
    int code;
    bool saving;
    std::string text;
  };
  const CASE cases[] = {
      {0, false, ""},
      {1, false, "通信中にエラーが発生しました。(1)"},
      {5, false, "通信中にエラーが発生しました。(5)"},
      {14, false, "通信中にエラーが発生しました。(14)"},
      {101, false, "通信中にエラーが発生しました。(101)"},
      {102, false, "通信中にエラーが発生しました。(102)"},
      {104, false, "通信中にエラーが発生しました。(104)"},
      {121, false, "「クイルプ」ＰＲＯ本体の登録メモリが不足です。"},
      {125, false, "「クイルプ」PRO本体のデータは削除できませんでした。\n本体のデータを表示させてから実行してください。"},
      {201, false, "メモリ不足のため処理できませんでした。"},
      {254, false, "未対応のデータです。"},
      {305, false, "「クイルプ」ＰＲＯ本体を複数接続時は通信ができません。\n接続する「クイルプ」ＰＲＯ本体を１台にしてください。"},
      {304, false, "本プログラムには、専用プリンタのドライバが必要です。\n所定のドライバをインストールしてください。"},
      {-2, false, "「クイルプ」ＰＲＯ本体が印刷中のため通信できません。\n印刷終了後、もう一度実行してください。"},
      {-11, true, "保存のためのファイルを開くことができませんでした。"},
      {-11, false, "読み込むためのファイルを開くことができませんでした。"},
      {-12, false, "ディスク容量不足のため書き込めませんでした。。"},
      {-1, false, kCommFailure},
      {51, false, kCommFailure},
      {15, false, kCommFailure},
      {103, false, kCommFailure},
      {-7, false, kCommFailure},
  };
  for (const CASE& c : cases) EXPECT_EQ(DeviceResultMessage(c.code, c.saving), c.text) << c.code;
}

TEST(DeviceResult, HardwareFaultsHaveTheirOwnTexts) {
  EXPECT_EQ(DeviceResultMessage(301).rfind("「クイルプ」ＰＲＯ本体のカッター動作に不具合が生じました。\n", 0), 0u);
  EXPECT_EQ(DeviceResultMessage(302).rfind("「クイルプ」ＰＲＯ本体のモーター動作に不具合が生じました。\n", 0), 0u);
  EXPECT_EQ(DeviceResultMessage(303),
            "「クイルプ」ＰＲＯ本体の印刷ヘッドが過熱しています。\n印刷ヘッドを冷やすため、テープカートリッジを抜き取り\n"
            "しばらく放置してください。");
}

}  // namespace
