#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include "XamuVersion.h"
#include "cli/Cli.h"
#include "model/Category.h"
#include "model/Cp932.h"

namespace {

std::vector<CLICOMMAND>& Registry() {
  static std::vector<CLICOMMAND> commands;
  return commands;
}

bool g_raw = false;
const CLICOMMAND* g_current = nullptr;

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: xamu-cli COMMAND [ARGS]   (xamu-cli help COMMAND for details)\n\n");
  std::vector<const CLICOMMAND*> sorted;
  for (const CLICOMMAND& c : Registry()) sorted.push_back(&c);
  std::sort(sorted.begin(), sorted.end(),
            [](const CLICOMMAND* a, const CLICOMMAND* b) { return a->name < b->name; });
  for (const CLICOMMAND* c : sorted) std::fprintf(out, "  xamu-cli %s\n", c->synopsis.c_str());
  std::fprintf(out,
               "\nCategories: file, address, name, glyph. Slots are 1-based (-s 3 or -s 1,4-6).\n"
               "Options: --encoding utf8|sjis (text output), --help, --version.\n"
               "Exit status: 0 done, 1 failed (the program's message on standard error),\n"
               "2 usage error. Environment: XAMU_PROGRAM_DIR, XAMU_DRIVER_DIR (the printer\n"
               "utility library is DIR/3/libprbridge.so), XAMU_SPOOLER (cups or sim), XAMU_SIM_DIR.\n"
               "See xamu-cli(1).\n");
}

}  // namespace

bool CLIARGS::Has(const std::string& name) const {
  if (std::find(flags.begin(), flags.end(), name) != flags.end()) return true;
  for (const auto& [k, v] : options)
    if (k == name) return true;
  return false;
}

std::string CLIARGS::Get(const std::string& name, const std::string& fallback) const {
  std::string value = fallback;
  for (const auto& [k, v] : options)
    if (k == name) value = v;
  return value;
}

bool RegisterCommand(CLICOMMAND command) {
  Registry().push_back(std::move(command));
  return true;
}

void SetRawOutput(bool raw) { g_raw = raw; }

void PrintCp932Line(const std::string& cp932) {
  std::string text = g_raw ? cp932 : Cp932ToUtf8(cp932);
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintUtf8Line(const std::string& utf8) {
  std::string text = g_raw ? Utf8ToCp932(utf8, "?") : utf8;
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintError(const std::string& utf8) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", utf8.c_str());
}

int UsageError(const std::string& utf8) {
  PrintError("xamu-cli: " + utf8);
  if (g_current) PrintError("usage: xamu-cli " + g_current->synopsis);
  return kExitUsage;
}

bool ParseSlotList(const std::string& text, int slotCount, std::vector<int>& slots, std::string& error) {
  slots.clear();
  size_t pos = 0;
  if (text.empty()) {
    error = "empty slot list";
    return false;
  }
  while (pos <= text.size()) {
    size_t comma = text.find(',', pos);
    std::string part = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    size_t dash = part.find('-');
    auto parseNum = [&](const std::string& s, int& v) {
      if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos) return false;
      v = std::stoi(s);
      return v >= 1 && v <= slotCount;
    };
    int a = 0, b = 0;
    bool ok = dash == std::string::npos ? (parseNum(part, a) && (b = a, true))
                                        : (parseNum(part.substr(0, dash), a) && parseNum(part.substr(dash + 1), b) && a <= b);
    if (!ok) {
      error = "bad slot list '" + text + "' (slots are 1 to " + std::to_string(slotCount) + ")";
      return false;
    }
    for (int i = a; i <= b; ++i) slots.push_back(i - 1);
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  std::sort(slots.begin(), slots.end());
  slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
  return true;
}

int ParseCategory(const CLIARGS& args, bool required) {
  if (!args.Has("-c")) {
    if (required) UsageError("missing -c CATEGORY (file, address, name or glyph)");
    return -1;
  }
  int cat = CategoryFromKeyword(args.Get("-c"));
  if (cat < 0) UsageError("unknown category '" + args.Get("-c") + "' (file, address, name or glyph)");
  return cat;
}

namespace {

// The words of a command name: "glyph show" gives {"glyph", "show"}.
std::vector<std::string> WordsOf(const std::string& name) {
  std::vector<std::string> words;
  size_t start = 0;
  for (;;) {
    const size_t space = name.find(' ', start);
    words.push_back(name.substr(start, space == std::string::npos ? std::string::npos : space - start));
    if (space == std::string::npos) return words;
    start = space + 1;
  }
}

// The command whose name matches the most leading words ("glyph show"
// before "glyph"); `used` is the number of words it took.
const CLICOMMAND* FindCommand(const std::vector<std::string>& words, size_t& used) {
  const CLICOMMAND* found = nullptr;
  used = 0;
  for (const CLICOMMAND& c : Registry()) {
    const std::vector<std::string> name = WordsOf(c.name);
    if (name.size() <= used || name.size() > words.size()) continue;
    if (std::equal(name.begin(), name.end(), words.begin())) {
      found = &c;
      used = name.size();
    }
  }
  return found;
}

// The commands whose name starts with the word `verb` and goes on ("printer"
// gives "printer read", "printer status", ...), by name.
std::vector<const CLICOMMAND*> SubcommandsOf(const std::string& verb) {
  std::vector<const CLICOMMAND*> found;
  for (const CLICOMMAND& c : Registry())
    if (c.name.size() > verb.size() && c.name.compare(0, verb.size(), verb) == 0 && c.name[verb.size()] == ' ')
      found.push_back(&c);
  std::sort(found.begin(), found.end(), [](const CLICOMMAND* a, const CLICOMMAND* b) { return a->name < b->name; });
  return found;
}

void PrintCommandHelp(const CLICOMMAND& cmd) {
  std::printf("usage: xamu-cli %s\n\n%s\n", cmd.synopsis.c_str(), cmd.help.c_str());
}

// The usage of a verb that only has subcommands.
void PrintGroupUsage(const std::string& verb, const std::vector<const CLICOMMAND*>& commands, FILE* out) {
  std::fprintf(out, "usage: xamu-cli %s SUBCOMMAND [ARGS]   (xamu-cli help %s SUBCOMMAND for details)\n\n",
               verb.c_str(), verb.c_str());
  for (const CLICOMMAND* c : commands) std::fprintf(out, "  xamu-cli %s\n", c->synopsis.c_str());
}

int UnknownCommand(const std::string& word) {
  std::fprintf(stderr, "xamu-cli: unknown command '%s'\n\n", word.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}

// Reads the words after the command's name into `args`; kExitOk, or the
// status to end with (a usage error, or the command's help was asked for).
int ParseArguments(const CLICOMMAND& cmd, const std::vector<std::string>& words, size_t first, CLIARGS& args,
                   bool& helpShown) {
  helpShown = false;
  for (size_t i = first; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--help" || w == "-h") {
      PrintCommandHelp(cmd);
      helpShown = true;
      return kExitOk;
    }
    if (w == "--encoding") {
      if (i + 1 >= words.size()) return UsageError("--encoding needs utf8 or sjis");
      std::string e = words[++i];
      if (e != "utf8" && e != "sjis") return UsageError("--encoding needs utf8 or sjis");
      SetRawOutput(e == "sjis");
      args.options.emplace_back(w, e);  // export also writes its file in it
      continue;
    }
    if (w.size() > 1 && w[0] == '-' && w != "-") {
      std::string name = w, value;
      bool hasInline = false;
      if (size_t eq = w.find('='); w.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = w.substr(0, eq);
        value = w.substr(eq + 1);
        hasInline = true;
      }
      bool takesValue = std::find(cmd.valueOptions.begin(), cmd.valueOptions.end(), name) != cmd.valueOptions.end();
      if (takesValue) {
        if (!hasInline) {
          if (i + 1 >= words.size()) return UsageError(name + " needs a value");
          value = words[++i];
        }
        args.options.emplace_back(name, value);
      } else if (!hasInline) {
        args.flags.push_back(name);
      } else {
        return UsageError("unknown option " + name);
      }
      continue;
    }
    args.positional.push_back(w);
  }
  return kExitOk;
}

// A command of the registry, or a verb with subcommands given without one.
int RunCommand(const std::vector<std::string>& words) {
  size_t used = 0;
  const CLICOMMAND* cmd = FindCommand(words, used);
  if (!cmd) {
    const std::vector<const CLICOMMAND*> subcommands = SubcommandsOf(words[0]);
    if (subcommands.empty()) return UnknownCommand(words[0]);
    if (words.size() > 1)
      std::fprintf(stderr, "xamu-cli: unknown command '%s %s'\n\n", words[0].c_str(), words[1].c_str());
    else
      std::fprintf(stderr, "xamu-cli: '%s' needs a subcommand\n\n", words[0].c_str());
    PrintGroupUsage(words[0], subcommands, stderr);
    return kExitUsage;
  }
  g_current = cmd;
  CLIARGS args;
  bool helpShown = false;
  const int status = ParseArguments(*cmd, words, used, args, helpShown);
  if (status != kExitOk || helpShown) return status;
  return cmd->run(args);
}

int RunHelp(const std::vector<std::string>& words);

int RunUsage(const std::vector<std::string>&) {
  PrintUsage(stdout);
  return kExitOk;
}

int RunVersion(const std::vector<std::string>&) {
  std::printf("xamu-cli %s\n", kXamuVersion);
  return kExitOk;
}

// The tool's own verbs; any other first word names a command of the registry.
struct TOOLVERB {
  const char* word;
  int (*run)(const std::vector<std::string>& rest);
  const char* synopsis;
  const char* help;
};
constexpr TOOLVERB kToolVerbs[] = {
    {"--help", RunUsage, "--help", "Lists the commands."},
    {"-h", RunUsage, "-h", "Lists the commands."},
    {"--version", RunVersion, "--version", "Shows the version."},
    {"help", RunHelp, "help [COMMAND]",
     "Shows the help of a command or, for a word such as printer that only starts\n"
     "commands, the commands it starts; without a command, the list of commands."},
};

// help [COMMAND]: the usage, a command's help, or the subcommands of a verb.
int RunHelp(const std::vector<std::string>& words) {
  if (words.empty()) {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const TOOLVERB& verb : kToolVerbs) {
    if (words[0] == verb.word) {
      std::printf("usage: xamu-cli %s\n\n%s\n", verb.synopsis, verb.help);
      return kExitOk;
    }
  }
  size_t used = 0;
  if (const CLICOMMAND* cmd = FindCommand(words, used)) {
    PrintCommandHelp(*cmd);
    return kExitOk;
  }
  const std::vector<const CLICOMMAND*> subcommands = SubcommandsOf(words[0]);
  if (subcommands.empty()) return UnknownCommand(words[0]);
  PrintGroupUsage(words[0], subcommands, stdout);
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  // A command runs for milliseconds: handing freed heap back to the system
  // and faulting it in again, as the workbook compressor's state comes and
  // goes for every part of a workbook, cost a conversion a tenth of its time.
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
  mallopt(M_TOP_PAD, 1 << 20);
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  for (const TOOLVERB& verb : kToolVerbs)
    if (words[0] == verb.word) return verb.run(std::vector<std::string>(words.begin() + 1, words.end()));
  return RunCommand(words);
}
