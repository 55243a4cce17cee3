#pragma once
#include <functional>
#include <string>
#include <vector>

// xamu-cli: each command registers itself from its own file, so commands of
// different subsystems never share a source file.

enum : int {
  kExitOk = 0,
  kExitFailed = 1,  // the operation failed; its message is on standard error
  kExitUsage = 2,   // the command line was wrong
};

struct CLIARGS {
  std::vector<std::string> positional;          // after the command word(s)
  std::vector<std::pair<std::string, std::string>> options;  // "--opt" / "-c" with value
  std::vector<std::string> flags;               // options without a value ("--yes")

  bool Has(const std::string& name) const;
  // The value of the last occurrence, or `fallback`.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
};

struct CLICOMMAND {
  std::string name;      // "list", "glyph show", "printer read", ...
  std::string synopsis;  // one line for the usage text
  std::string help;      // the command's full help
  std::vector<std::string> valueOptions;  // options that take a value, e.g. "-c"
  std::function<int(const CLIARGS&)> run;
};

// Registration from a static initialiser: static bool r = RegisterCommand({...});
bool RegisterCommand(CLICOMMAND command);

// Output helpers: text given as CP932 is written as UTF-8, or raw with
// --encoding sjis.
void SetRawOutput(bool raw);
void PrintCp932Line(const std::string& cp932);
void PrintUtf8Line(const std::string& utf8);
// The message on standard error (UTF-8).
void PrintError(const std::string& utf8);
// A usage error: prints the message and the command's synopsis; returns kExitUsage.
int UsageError(const std::string& utf8);

// Parses "3" or "1,4-6" (1-based) into 0-based slot indexes, sorted, unique,
// each below `slotCount`. False with a message on a bad list.
bool ParseSlotList(const std::string& text, int slotCount, std::vector<int>& slots, std::string& error);
// -c CAT: the category number, or -1 with a usage message printed.
int ParseCategory(const CLIARGS& args, bool required = true);
