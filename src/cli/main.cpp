#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>

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
               "utility library is DIR/3/libprbridge.so), XAMU_SIM_DIR. See xamu-cli(1).\n");
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

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty() || words[0] == "--help" || words[0] == "-h") {
    PrintUsage(words.empty() ? stderr : stdout);
    return words.empty() ? kExitUsage : kExitOk;
  }
  if (words[0] == "--version") {
    std::printf("xamu-cli 3.0\n");
    return kExitOk;
  }
  bool helpFor = words[0] == "help";
  if (helpFor) words.erase(words.begin());
  // Longest command name matching the leading words ("glyph show" before "glyph").
  const CLICOMMAND* cmd = nullptr;
  size_t used = 0;
  for (const CLICOMMAND& c : Registry()) {
    size_t n = 0, start = 0;
    bool match = true;
    while (start <= c.name.size()) {
      size_t sp = c.name.find(' ', start);
      std::string w = c.name.substr(start, sp == std::string::npos ? std::string::npos : sp - start);
      if (n >= words.size() || words[n] != w) {
        match = false;
        break;
      }
      ++n;
      if (sp == std::string::npos) break;
      start = sp + 1;
    }
    if (match && n > used) {
      cmd = &c;
      used = n;
    }
  }
  if (!cmd) {
    std::fprintf(stderr, "xamu-cli: unknown command '%s'\n\n", words.empty() ? "" : words[0].c_str());
    PrintUsage(stderr);
    return kExitUsage;
  }
  g_current = cmd;
  if (helpFor) {
    std::printf("usage: xamu-cli %s\n\n%s\n", cmd->synopsis.c_str(), cmd->help.c_str());
    return kExitOk;
  }
  CLIARGS args;
  for (size_t i = used; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--help" || w == "-h") {
      std::printf("usage: xamu-cli %s\n\n%s\n", cmd->synopsis.c_str(), cmd->help.c_str());
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
      bool takesValue = std::find(cmd->valueOptions.begin(), cmd->valueOptions.end(), name) != cmd->valueOptions.end();
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
  return cmd->run(args);
}
