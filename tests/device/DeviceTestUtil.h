#pragma once
// Helpers for tests that run the real device link against the emulated
// printer in a private sim folder.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "device/DeviceLink.h"
#include "model/DataSet.h"

// The emulated printer every device test talks to, and its settings line by
// line; tests append fault keys.
inline constexpr char kSimPrinter[] = "QUILP PRO QP700";
inline std::string SimSection(const std::string& name, const std::string& driver, const std::string& extra = "") {
  return "[" + name + "]\ndriver=" + driver +
         "\nprivate=KORVANTE QUILP SERIES DRIVER\njobs=0\nconnected=1\nstatus=2\ncapacity=262144\n" + extra + "\n";
}
inline std::string SimIni(const std::string& extra = "", const std::string& driver = "KORVANTE QUILP PRO QP700") {
  return SimSection(kSimPrinter, driver, extra);
}

inline void WriteText(const std::string& path, const std::string& text) {
  CTestEnv::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// Address content with one text field 1 (CP932 bytes, even length).
inline std::vector<uint8_t> AddressContent(const std::string& text, uint8_t kind = 0x02) {
  const uint8_t head[] = {kind, 0x01, 0, 0, 0, 0, 0x30, 0x00, 0x80, 0x01, 0x01, 0x00, 0x00, 0x00};
  const uint8_t tail[] = {0x00, 0x00, 0x0D, 0x0A};
  std::vector<uint8_t> c;
  c.reserve(sizeof head + text.size() + sizeof tail);
  c.assign(std::begin(head), std::end(head));
  for (char ch : text) c.push_back(static_cast<uint8_t>(ch));
  c.insert(c.end(), std::begin(tail), std::end(tail));
  return c;
}

// Records every question and message and gives prepared answers; a question
// without a prepared answer fails the test and answers no / cancel.
class CScriptPrompt : public CDevicePrompt {
 public:
  void Notice(const std::string& utf8) override { notices.push_back(utf8); }
  bool YesNo(const std::string& utf8) override {
    questions.push_back(utf8);
    if (yesNo.empty()) {
      ADD_FAILURE() << "unexpected question: " << utf8;
      return false;
    }
    bool a = yesNo.front();
    yesNo.pop_front();
    return a;
  }
  bool OverwriteNotice(const std::string& utf8) override {
    questions.push_back(utf8);
    if (oks.empty()) {
      ADD_FAILURE() << "unexpected notice dialog: " << utf8;
      return false;
    }
    bool a = oks.front();
    oks.pop_front();
    return a;
  }
  int OverwriteChoice(const std::string& utf8) override {
    questions.push_back(utf8);
    if (choices.empty()) {
      ADD_FAILURE() << "unexpected overwrite dialog: " << utf8;
      return kOverwriteCancel;
    }
    int a = choices.front();
    choices.pop_front();
    return a;
  }

  std::vector<std::string> notices;
  std::vector<std::string> questions;
  std::deque<bool> yesNo;
  std::deque<bool> oks;
  std::deque<int> choices;
};

class CTestProgress : public CCountingProgress {
 public:
  void Hide() override { ++hidden; }
  void Show() override { ++shown; }
  int hidden = 0;
  int shown = 0;
};
