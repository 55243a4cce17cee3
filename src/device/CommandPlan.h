#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "model/DataEntry.h"

class CDataSet;

// What the transfer, paste and delete commands of the two-pane form decide,
// apart from the windows that ask and show: which slots, which question,
// whether the glyph size question comes first, and whether a paste is a
// move. The view asks the questions a plan names and carries it out with
// its progress dialog.

// Panes as the plans name them.
enum : int { kPlanLeft = 0, kPlanRight = 1 };

// Where a paste goes.
struct PASTETARGET {
  int category = 0;
  int pane = kPlanLeft;
  bool device = false;     // the pane shows the printer's memory
  int sourcePane = -1;     // the pane the entries were copied from, -1 when unknown
};

struct PASTEPLAN {
  // False when there is nothing to paste: a payload that does not decode,
  // or a caret with no line left below it.
  bool paste = false;
  std::vector<DATAENTRY> records;  // decoded, cut to the lines from the caret on
  int first = 0;                   // the slot records[0] goes to
  bool move = false;               // a cut is pending: its sources are emptied afterwards
  bool askGlyphSizes = false;      // glyph entries for the printer: the size question first
  std::string question;            // the confirmation, UTF-8

  int Count() const { return static_cast<int>(records.size()); }
  // first, first + 1, ... one per record.
  std::vector<int> Slots() const;
  std::vector<const DATAENTRY*> Entries() const;
};

// Decodes the entries clipboard payload `block`, cuts it to the `lines`
// lines from `caret` on (a caret of -1 counts as line 0) and decides copy
// or move (`cut`: a cut is pending).
PASTEPLAN PlanPaste(std::span<const uint8_t> block, int caret, int lines, bool cut, const PASTETARGET& target);

// The slots a move empties once `written` (target slots) were pasted from
// `first` on: the cut source of each written record, except a source that
// was itself just pasted onto in the same pane. Ascending.
std::vector<int> PlanMoveSources(const std::vector<int>& written, int first, const std::vector<int>& sources,
                                 const std::vector<int>& cut, bool samePane);

struct TRANSFERPLAN {
  bool transfer = false;         // false: nothing to do, not even a question
  int from = kPlanLeft;
  int to = kPlanRight;
  std::vector<int> picked;        // used slots to transfer, ascending
  bool askGlyphSizes = false;    // glyph entries for the printer: the size question first
  std::string question;          // the confirmation, UTF-8
};

// A transfer from the active pane to the other one: the used slots among
// the first `lines` ones, all of them or the `selected` ones. `device`: the
// right pane shows the printer.
TRANSFERPLAN PlanTransfer(const CDataSet& source, int category, int activePane, int lines,
                          const std::vector<int>& selected, bool all, bool device);

// The device limit after a whole transfer into the printer ended on a full
// memory: the printer took no more than up to the last slot tried. 0 when
// the limits stay as they are.
int PlanDeviceLimit(const std::vector<int>& tried, bool all, bool memoryFull);

struct DELETEPLAN {
  std::vector<int> picked;  // used selected slots, ascending
  std::string question;    // the confirmation, UTF-8
};

// Deleting the `selected` lines of a pane (in any order): only used slots
// go; the question names PC or printer data.
DELETEPLAN PlanDelete(const CDataSet& set, int category, const std::vector<int>& selected, bool device);

// Asks before an occupied slot is replaced: kOverwriteOne, kOverwriteAll,
// kOverwriteSkip or kOverwriteCancel for the 1-based slot; `single` when
// only one slot is written.
using OverwriteQuestion = std::function<int(int slot, bool single)>;

// Copies `slots` of `source` into the same slots of `target`, asking before
// every occupied one until すべて上書き; a cancel stops. Returns the slots
// copied.
std::vector<int> CopySlotsAsking(const CDataSet& source, CDataSet& target, int section, const std::vector<int>& slots,
                                 const OverwriteQuestion& ask);

// Stores pasted `records` from slot `first` on, asking as CopySlotsAsking
// does; an empty record empties its slot. Returns the slots written.
std::vector<int> StoreRecordsAsking(CDataSet& target, int section, int first, std::span<const DATAENTRY> records,
                                    const OverwriteQuestion& ask);
