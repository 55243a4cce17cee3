#pragma once
// Helpers shared by the exchange tests.
#include <string>
#include <vector>

#include "exchange/ExchangeMessages.h"
#include "exchange/TextRules.h"
#include "model/Category.h"
#include "model/Cp932.h"
#include "model/DataSet.h"
#include "model/Labels.h"

// Records every message a flow shows.
class CRecordedMessages : public CExchangeMessages {
 public:
  void ShowMessage(const std::string& utf8) override { shown.push_back(utf8); }
  std::vector<std::string> shown;
};

// The fields of a slot as UTF-8, read back through the field text.
inline std::vector<std::string> FieldsOf(const CDataSet& set, int category, int slot) {
  std::vector<std::string> out;
  const DATAENTRY* e = set.Entry(SectionOfCategory(category), slot);
  for (int f = 0; f < RecordFieldCount(category); ++f) out.push_back(Cp932ToUtf8(GetFieldText(*e, f)));
  return out;
}

// Stores a record built from UTF-8 field texts, as an import would.
inline void PutRecord(CDataSet& set, int category, int slot, const std::vector<std::string>& utf8Fields,
                      uint16_t group = 0) {
  std::vector<std::string> fields;
  for (const std::string& f : utf8Fields) fields.push_back(ConvertImportText(Utf8ToCp932(f)));
  auto content = BuildRecordContent(category, fields);
  set.SetEntry(SectionOfCategory(category), slot, group, content);
}
