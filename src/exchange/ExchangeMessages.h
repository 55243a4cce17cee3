#pragma once
#include <string>

// Messages of the import and export flows reach the user through this
// interface: the desktop program shows a message box, xamu-cli prints to
// standard error, tests record them. Every text is UTF-8.
class CExchangeMessages {
 public:
  virtual ~CExchangeMessages() = default;
  // An OK-only notice or error.
  virtual void ShowMessage(const std::string& utf8) = 0;
};

// A sink that drops every message (callers that report on their own).
class CSilentMessages : public CExchangeMessages {
 public:
  void ShowMessage(const std::string&) override {}
};

// The texts the flows show, exactly as the user sees them.
inline constexpr const char* kMsgNothingToSave = "保存するデータがありません。";
// The address save failure has no final "。"; the name one has. Both are kept
// as users have always seen them.
inline constexpr const char* kMsgAddressSaveFailed = "保存ができませんでした";
inline constexpr const char* kMsgNameSaveFailed = "保存ができませんでした。";
inline constexpr const char* kMsgReadFailed = "読み込みができませんでした。";
inline constexpr const char* kMsgConverterMissing = "必要なＤＬＬが見つかりません。";
inline constexpr const char* kMsgConverterFunctionMissing = "必要なドライバが組み込まれていない可能性があります。";
