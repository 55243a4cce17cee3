// xamu-cli's own verbs: help for every command and verb, the version.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "XamuVersion.h"
#include "common/TestEnv.h"

namespace {

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(CliHelp, HelpForAVerbWithSubcommandsListsEachOfThem) {
  const struct {
    const char* verb;
    std::vector<std::string> subcommands;
  } rows[] = {
      {"printer", {"printer status", "printer read -c CAT", "printer write FILE", "printer delete -c CAT"}},
      {"glyph", {"glyph show FILE", "glyph import FILE"}},
  };
  for (const auto& row : rows) {
    const CLIRESULT r = RunCli(std::string("help ") + row.verb);
    EXPECT_EQ(r.status, 0) << row.verb << r.err;
    EXPECT_EQ(r.err, "") << row.verb;
    EXPECT_EQ(Count(r.out, std::string("\n  xamu-cli ") + row.verb + " "), int(row.subcommands.size())) << r.out;
    for (const std::string& sub : row.subcommands) EXPECT_NE(r.out.find("xamu-cli " + sub), std::string::npos) << sub;
  }
}

TEST(CliHelp, EveryCommandOfTheUsageHasItsOwnHelp) {
  const CLIRESULT usage = RunCli("--help");
  ASSERT_EQ(usage.status, 0);
  int commands = 0;
  for (size_t at = usage.out.find("\n  xamu-cli "); at != std::string::npos; at = usage.out.find("\n  xamu-cli ", at + 1)) {
    const std::string synopsis = usage.out.substr(at + 12, usage.out.find('\n', at + 1) - at - 12);
    // The command's words are those before its first argument.
    std::string name;
    for (size_t pos = 0; pos < synopsis.size();) {
      const size_t space = synopsis.find(' ', pos);
      const std::string word = synopsis.substr(pos, space == std::string::npos ? std::string::npos : space - pos);
      if (word.empty() || !std::islower(static_cast<unsigned char>(word[0]))) break;
      name += (name.empty() ? "" : " ") + word;
      if (space == std::string::npos) break;
      pos = space + 1;
    }
    const CLIRESULT help = RunCli("help " + name);
    EXPECT_EQ(help.status, 0) << name << help.err;
    EXPECT_EQ(help.out.rfind("usage: xamu-cli " + synopsis + "\n\n", 0), 0u) << name << help.out;
    ++commands;
  }
  EXPECT_GE(commands, 12) << usage.out;
}

TEST(CliHelp, WrongVerbsAreUsageErrors) {
  const struct {
    const char* args;
    const char* message;
  } rows[] = {
      {"help bogus", "xamu-cli: unknown command 'bogus'"},
      {"bogus", "xamu-cli: unknown command 'bogus'"},
      {"printer", "xamu-cli: 'printer' needs a subcommand"},
      {"printer bogus", "xamu-cli: unknown command 'printer bogus'"},
  };
  for (const auto& row : rows) {
    const CLIRESULT r = RunCli(row.args);
    EXPECT_EQ(r.status, 2) << row.args;
    EXPECT_EQ(r.out, "") << row.args;
    EXPECT_EQ(r.err.rfind(row.message, 0), 0u) << row.args << ": " << r.err;
  }
  // The verb's subcommands follow its error.
  EXPECT_NE(RunCli("printer").err.find("xamu-cli printer status"), std::string::npos);
}

TEST(CliHelp, HelpWithoutACommandIsTheUsage) {
  const CLIRESULT help = RunCli("help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, RunCli("--help").out);
  EXPECT_EQ(RunCli("").status, 2);
  // The tool's own verbs have their help too.
  const CLIRESULT self = RunCli("help help");
  EXPECT_EQ(self.status, 0);
  EXPECT_EQ(self.out.rfind("usage: xamu-cli help [COMMAND]\n\n", 0), 0u) << self.out;
}

TEST(CliHelp, VersionIsTheBuildsVersion) {
  const CLIRESULT r = RunCli("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("xamu-cli ") + kXamuVersion + "\n");
  // The package and the manual pages carry the same number.
  auto slurp = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_NE(slurp(XAMU_BUILD_DIR "/CPackConfig.cmake").find(std::string("set(CPACK_PACKAGE_VERSION \"") + kXamuVersion + "\")"),
            std::string::npos);
  for (const char* page : {"xamu.1", "xamu-cli.1"})
    EXPECT_NE(slurp(std::string(XAMU_BUILD_DIR "/dist/man/") + page).find(std::string("\"XAMU ") + kXamuVersion + "\""),
              std::string::npos)
        << page;
}
