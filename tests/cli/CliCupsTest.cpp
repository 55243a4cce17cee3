// xamu-cli printer status against a private CUPS scheduler: what a user
// reads when no printer is found.
#include <gtest/gtest.h>

#include <string>

#include "common/CupsServer.h"
#include "common/TestEnv.h"
#include "device/DeviceResult.h"
#include "device/DeviceTestUtil.h"

namespace {

const std::string kSamplePpd = XAMU_SOURCE_DIR "/dist/quilp-sample.ppd";
const std::string kPpds = XAMU_SOURCE_DIR "/tests/device/data";

class CliCupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!CCupsServer::Installed()) GTEST_SKIP() << "cupsd is not installed (Debian: cups-daemon, cups-client)";
    ASSERT_TRUE(server.Start()) << server.Error();
    setenv("XAMU_SPOOLER", "cups", 1);
    // The emulated library answers for QuilpOne only.
    WriteText(env.Root() + "/sim/spooler.ini", "[QuilpOne]\nconnected=1\nstatus=2\n");
  }
  CTestEnv env;
  CCupsServer server{env.Root()};
};

TEST_F(CliCupsTest, StatusListsEveryQueueWithTheScansVerdict) {
  ASSERT_TRUE(server.AddQueue("QuilpOne", kSamplePpd)) << server.ClientLog();
  ASSERT_TRUE(server.AddQueue("Bare510", kPpds + "/NoKeyword.ppd")) << server.ClientLog();
  ASSERT_TRUE(server.AddQueue("Acme", kPpds + "/UnknownDriver.ppd")) << server.ClientLog();
  CLIRESULT r = RunCli("printer status");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("spooler: cups (server " + server.Socket() + ")\n", 0), 0u) << r.out;
  const std::string lines[] = {
      "  \"Acme\"  driver \"ACME TAPE WRITER 9\"  model none  refused (unknown driver)  jobs -  not connected\n",
      "  \"Bare510\"  driver \"KORVANTE QUILP PRO QP510\"  model QP510  refused (no PPD keyword)  jobs -  not "
      "connected\n",
      "  \"QuilpOne\"  driver \"KORVANTE QUILP PRO QP700\"  model QP700  accepted  jobs 0  connected\n",
      "selected: QuilpOne\n",
  };
  size_t at = r.out.find("printers:\n");
  ASSERT_NE(at, std::string::npos) << r.out;
  for (const std::string& line : lines) {
    size_t next = r.out.find(line, at);
    EXPECT_NE(next, std::string::npos) << line << "in\n" << r.out;
    if (next != std::string::npos) at = next;
  }
}

TEST_F(CliCupsTest, StoppedServerGives304WithWhy) {
  ASSERT_TRUE(server.AddQueue("QuilpOne", kSamplePpd)) << server.ClientLog();
  server.Stop();
  CLIRESULT r = RunCli("printer status");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("printers:\n  cannot enumerate: the CUPS server " + server.Socket() + " does not answer\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find(DeviceResultMessage(kDevNoPrinter)), std::string::npos) << r.err;
  CLIRESULT read = RunCli("printer read -c address");
  EXPECT_EQ(read.status, 1);
  EXPECT_NE(read.err.find(DeviceResultMessage(kDevNoPrinter)), std::string::npos) << read.err;
}

TEST_F(CliCupsTest, BusyQueueStopsATransfer) {
  ASSERT_TRUE(server.AddQueue("QuilpOne", kSamplePpd)) << server.ClientLog();
  ASSERT_TRUE(server.HoldJob("QuilpOne")) << server.ClientLog();
  CLIRESULT s = RunCli("printer status");
  EXPECT_NE(s.out.find("accepted  jobs 1  connected"), std::string::npos) << s.out;
  CLIRESULT r = RunCli("printer read -c address");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(DeviceResultMessage(kDevPrinting)), std::string::npos) << r.err;
}

}  // namespace
