#pragma once
#include <string>
#include <vector>

#include "model/Content.h"
#include "model/DataSet.h"

// Display texts derived from entry content. Every text returned here is CP932
// bytes (the character rule guarantees valid CP932); convert with Cp932ToUtf8
// where it is shown.

// The character rule applied to the text run at `pos`; `next` receives the
// position after the run's zero word.
std::string ConvertContentText(ContentBytes content, size_t pos, size_t* next = nullptr);
std::string GetTitleText(const DATAENTRY& entry);
std::string GetGroupLabel(const DATAENTRY& entry);
std::string GetFieldText(const DATAENTRY& entry, int number);
// `category` is the user-interface category (Category.h).
std::string GetListText(const CDataSet& set, int category, int slot);

// A glyph bitmap item chosen for the preview: its size and packed bitmap
// position inside the content.
struct GLYPHITEMREF {
  int width = 0;
  int height = 0;
  size_t bitmap = 0;
  size_t length = 0;
};

struct DETAILLINES {
  std::vector<std::string> lines;  // CP932
  // Glyph data: the item with the largest bitmap, and the one with the
  // smallest bitmap below 288 bytes (either may be absent; the first item
  // wins a tie). Only patterns a glyph picture can load take part: a table
  // size whose bitmap holds at least its packed bytes.
  bool hasLargest = false;
  GLYPHITEMREF largest;
  bool hasSmallest = false;
  GLYPHITEMREF smallest;
};
DETAILLINES GetDetailLines(const CDataSet& set, int category, int slot);
