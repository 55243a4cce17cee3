// The single-instance guard: where it lives, who it believes, what a crashed
// run leaves behind, and two real starts in the same instant.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "GuiFixture.h"
#include "app/SingleInstance.h"

namespace {

using Claim = CSingleInstance::Claim;

constexpr uid_t kNobody = 65534;

// A private folder for one guard, as the runtime folder would be.
class CGuardFolder {
 public:
  CGuardFolder() {
    char tmpl[] = "/tmp/xamu-guard-XXXXXX";
    m_path = QString::fromLocal8Bit(::mkdtemp(tmpl));
  }
  ~CGuardFolder() { std::filesystem::remove_all(m_path.toStdString()); }
  const QString& Path() const { return m_path; }

 private:
  QString m_path;
};

// Binds a socket at `path` and never listens on it: what a crashed run
// leaves behind. Returns the descriptor (kept open or closed by the caller).
int BindSocket(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray native = QFile::encodeName(path);
  std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
  return fd;
}

// Runs `claim` in a thread of its own (a second start) while this thread
// serves the first copy's events.
Claim ClaimFromOtherStart(const QString& folder, const QString& file, int waitMs = 10000) {
  std::atomic<bool> done = false;
  Claim result = Claim::kNoGuard;
  std::thread other([&] {
    CSingleInstance second(folder, nullptr);
    result = second.ClaimOrHandOver(file, waitMs);
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, waitMs + 5000));
  other.join();
  return result;
}

// Sets an environment variable for one scope.
class CEnvVar {
 public:
  CEnvVar(const char* name, const QByteArray& value, bool set = true)
      : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
    if (set) qputenv(name, value);
    else qunsetenv(name);
  }
  ~CEnvVar() {
    if (m_had) qputenv(m_name, m_old);
    else qunsetenv(m_name);
  }

 private:
  const char* m_name;
  QByteArray m_old;
  bool m_had;
};

mode_t ModeOf(const QString& path) {
  struct stat st {};
  ::lstat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & (S_IFMT | 07777);
}

}  // namespace

TEST(SingleInstance, ASecondStartHandsOverItsFileAndTheFirstShowsIt) {
  CGuardFolder folder;
  CSingleInstance first(folder.Path(), nullptr);
  ASSERT_EQ(first.ClaimOrHandOver(QString()), Claim::kFirst);
  first.SetReady();
  QSignalSpy activated(&first, &CSingleInstance::Activated);
  // A file name may hold any byte but '/' and NUL, a line break too.
  const QString file = folder.Path() + QStringLiteral("/無題1\nb.xmb");
  EXPECT_EQ(ClaimFromOtherStart(folder.Path(), file), Claim::kHandedOver);
  EXPECT_EQ(ClaimFromOtherStart(folder.Path(), QString()), Claim::kHandedOver);
  ASSERT_EQ(activated.count(), 2);
  EXPECT_EQ(activated.at(0).at(0).toString(), file);
  EXPECT_EQ(activated.at(1).at(0).toString(), QString());
}

TEST(SingleInstance, StartsThatComeWhileTheFirstIsStartingAreShownOnceItIsReady) {
  CGuardFolder folder;
  CSingleInstance first(folder.Path(), nullptr);
  ASSERT_EQ(first.ClaimOrHandOver(QString()), Claim::kFirst);
  QSignalSpy activated(&first, &CSingleInstance::Activated);
  EXPECT_EQ(ClaimFromOtherStart(folder.Path(), QStringLiteral("/a.xmb")), Claim::kHandedOver);
  EXPECT_EQ(ClaimFromOtherStart(folder.Path(), QStringLiteral("/b.xmb")), Claim::kHandedOver);
  EXPECT_EQ(activated.count(), 0);
  first.SetReady();
  ASSERT_EQ(activated.count(), 2);
  EXPECT_EQ(activated.at(0).at(0).toString(), QStringLiteral("/a.xmb"));
  EXPECT_EQ(activated.at(1).at(0).toString(), QStringLiteral("/b.xmb"));
}

TEST(SingleInstance, ALiveFirstCopyKeepsItsGuardHoweverOldItsLock) {
  CGuardFolder folder;
  CSingleInstance first(folder.Path(), nullptr);
  ASSERT_EQ(first.ClaimOrHandOver(QString()), Claim::kFirst);
  first.SetReady();
  // A run of a day: only the lock's holder decides whether it is stale.
  const QByteArray lock = QFile::encodeName(first.LockPath());
  const utimbuf old{::time(nullptr) - 86400, ::time(nullptr) - 86400};
  ASSERT_EQ(::utime(lock.constData(), &old), 0);
  QSignalSpy activated(&first, &CSingleInstance::Activated);
  EXPECT_EQ(ClaimFromOtherStart(folder.Path(), QStringLiteral("/x.xmb")), Claim::kHandedOver);
  EXPECT_EQ(ClaimFromOtherStart(folder.Path(), QStringLiteral("/y.xmb")), Claim::kHandedOver);
  EXPECT_EQ(activated.count(), 2);
  EXPECT_TRUE(QFile::exists(first.SocketPath()));
}

TEST(SingleInstance, AHeldGuardThatDoesNotAnswerIsNeitherTakenNorRemoved) {
  // A copy still busy before listening, or one that hangs: its lock is held
  // and nothing answers on its socket.
  CGuardFolder folder;
  CSingleInstance probe(folder.Path(), nullptr);
  QLockFile held(probe.LockPath());
  ASSERT_TRUE(held.tryLock(0));
  const int fd = BindSocket(probe.SocketPath());
  ASSERT_GE(fd, 0);
  CSingleInstance second(folder.Path(), nullptr);
  EXPECT_EQ(second.ClaimOrHandOver(QStringLiteral("/a.xmb"), 300), Claim::kBusy);
  EXPECT_TRUE(QFile::exists(probe.SocketPath()));
  ::close(fd);
}

TEST(SingleInstance, WhatACrashedRunLeftIsReplacedAndTheStartGoesOn) {
  CGuardFolder folder;
  CSingleInstance probe(folder.Path(), nullptr);
  // A lock file whose process is gone, and a bound socket nobody listens on.
  {
    QLockFile lock(probe.LockPath());
    ASSERT_TRUE(lock.tryLock(0));
    QFile file(probe.LockPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    file.close();
    lock.unlock();
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    content = QByteArray::number(child) + content.mid(content.indexOf('\n'));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }
  const int fd = BindSocket(probe.SocketPath());
  ASSERT_GE(fd, 0);
  ::close(fd);

  CSingleInstance start(folder.Path(), nullptr);
  ASSERT_EQ(start.ClaimOrHandOver(QString(), 300), Claim::kFirst);
  start.SetReady();
  QSignalSpy activated(&start, &CSingleInstance::Activated);
  EXPECT_EQ(ClaimFromOtherStart(folder.Path(), QStringLiteral("/z.xmb")), Claim::kHandedOver);
  EXPECT_EQ(activated.count(), 1);
}

TEST(SingleInstance, TheGuardGoesAwayWithItsCopy) {
  CGuardFolder folder;
  {
    CSingleInstance first(folder.Path(), nullptr);
    ASSERT_EQ(first.ClaimOrHandOver(QString()), Claim::kFirst);
  }
  CSingleInstance next(folder.Path(), nullptr);
  EXPECT_EQ(next.ClaimOrHandOver(QString(), 300), Claim::kFirst);
}

TEST(SingleInstance, AServerOfAnotherUserGetsNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a server as another user";
  CGuardFolder folder;
  CSingleInstance probe(folder.Path(), nullptr);
  // The guard is held, so a start looks for the copy to hand over to.
  QLockFile held(probe.LockPath());
  ASSERT_TRUE(held.tryLock(0));
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const int fd = BindSocket(probe.SocketPath());
  ASSERT_GE(fd, 0);
  const pid_t child = ::fork();
  if (child == 0) {
    // Answers every start "OK" and reports how many bytes it was told.
    ::alarm(20);
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 || ::listen(fd, 4) != 0) ::_exit(1);
    long total = 0;
    for (;;) {
      const int peer = ::accept(fd, nullptr, nullptr);
      if (peer < 0) break;
      if (::send(peer, "OK", 2, MSG_NOSIGNAL) != 2) {}
      char buffer[256];
      for (ssize_t n; (n = ::read(peer, buffer, sizeof buffer)) > 0;) total += n;
      ::close(peer);
      if (::write(report[1], &total, sizeof total) != sizeof total) ::_exit(1);
    }
    ::_exit(0);
  }
  ::close(report[1]);
  CSingleInstance start(folder.Path(), nullptr);
  EXPECT_EQ(start.ClaimOrHandOver(QStringLiteral("/secret/plans.xmb"), 500), Claim::kBusy);
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);
  ::close(fd);
  long told = -1, last = 0;
  int connections = 0;
  while (::read(report[0], &told, sizeof told) == sizeof told) {
    last = told;
    ++connections;
  }
  ::close(report[0]);
  EXPECT_GT(connections, 0) << "the start never tried the foreign server";
  EXPECT_EQ(last, 0) << "the foreign server was told the file";
}

TEST(SingleInstance, AStartOfAnotherUserIsNotBelieved) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  CGuardFolder folder;
  // Open to everyone, so that the other user can reach the socket at all.
  ASSERT_EQ(::chmod(QFile::encodeName(folder.Path()).constData(), 0711), 0);
  CSingleInstance first(folder.Path(), nullptr);
  ASSERT_EQ(first.ClaimOrHandOver(QString()), Claim::kFirst);
  first.SetReady();
  ASSERT_EQ(::chmod(QFile::encodeName(first.SocketPath()).constData(), 0777), 0);
  QSignalSpy activated(&first, &CSingleInstance::Activated);
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const QByteArray path = QFile::encodeName(first.SocketPath());
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(20);
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    long connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 1 : 0;
    const char request[] = "RAISE\nL3gueG1i\n";
    if (::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) < 0) {}
    char answer[16];
    long answered = 0;
    for (ssize_t n; (n = ::read(fd, answer, sizeof answer)) > 0;) answered += n;
    const long result[2] = {connected, answered};
    if (::write(report[1], result, sizeof result) != sizeof result) ::_exit(1);
    ::_exit(0);
  }
  ::close(report[1]);
  int status = 0;
  EXPECT_TRUE(QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000));
  long result[2] = {-1, -1};
  EXPECT_EQ(::read(report[0], result, sizeof result), ssize_t(sizeof result));
  ::close(report[0]);
  EXPECT_EQ(result[0], 1) << "the other user could not even connect";
  EXPECT_EQ(result[1], 0) << "the other user got an answer";
  QTest::qWait(50);
  EXPECT_EQ(activated.count(), 0);
}

TEST(SingleInstance, TheGuardLivesInAPrivateFolderOfTheUser) {
  QTemporaryDir root;
  const QString data = root.path() + QStringLiteral("/data");
  const QString fallback = data + QStringLiteral("/KORVANTE/XAMU/run");
  const QString good = root.path() + QStringLiteral("/runtime");
  const QString open = root.path() + QStringLiteral("/open");
  const QString link = root.path() + QStringLiteral("/link");
  const QString foreign = root.path() + QStringLiteral("/foreign");
  QDir().mkpath(good);
  QDir().mkpath(open);
  QDir().mkpath(foreign);
  ::chmod(QFile::encodeName(good).constData(), 0700);
  ::chmod(QFile::encodeName(open).constData(), 0755);
  ::chmod(QFile::encodeName(foreign).constData(), 0700);
  ASSERT_TRUE(QFile::link(good, link));
  const bool root_user = ::geteuid() == 0;
  if (root_user) {
    ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), kNobody, kNobody), 0);
  }
  CEnvVar dataHome("XDG_DATA_HOME", data.toUtf8());
  const struct {
    QString runtime;
    bool set;
    QString expected;
  } rows[] = {
      {good, true, good},
      {good + u'/', true, good},
      {QString(), false, fallback},       // not set
      {QString(), true, fallback},        // empty
      {QStringLiteral("runtime"), true, fallback},  // not absolute
      {link, true, fallback},             // a link, wherever it points
      {open, true, fallback},             // others may enter
      {root.path() + QStringLiteral("/missing"), true, fallback},
      {foreign, true, fallback},          // another user's
  };
  for (const auto& row : rows) {
    if (!root_user && row.runtime == foreign) continue;
    CEnvVar runtime("XDG_RUNTIME_DIR", row.runtime.toUtf8(), row.set);
    EXPECT_EQ(CSingleInstance::RuntimeFolder(), row.expected) << row.runtime.toStdString();
  }
  EXPECT_EQ(ModeOf(fallback), mode_t(S_IFDIR | 0700));
}

TEST(SingleInstance, TheFallbackFolderIsClosedOrRefused) {
  QTemporaryDir root;
  const QString data = root.path() + QStringLiteral("/data");
  const QString fallback = data + QStringLiteral("/KORVANTE/XAMU/run");
  CEnvVar dataHome("XDG_DATA_HOME", data.toUtf8());
  CEnvVar runtime("XDG_RUNTIME_DIR", QByteArray(), false);
  // Ours but open: closed.
  ASSERT_TRUE(QDir().mkpath(fallback));
  ::chmod(QFile::encodeName(fallback).constData(), 0777);
  EXPECT_EQ(CSingleInstance::RuntimeFolder(), fallback);
  EXPECT_EQ(ModeOf(fallback), mode_t(S_IFDIR | 0700));
  // A link put in its place: no guard rather than a guard somewhere else.
  const QString elsewhere = root.path() + QStringLiteral("/elsewhere");
  ASSERT_TRUE(QDir().mkpath(elsewhere));
  ASSERT_TRUE(QDir(fallback).removeRecursively());
  ASSERT_TRUE(QFile::link(elsewhere, fallback));
  EXPECT_EQ(CSingleInstance::RuntimeFolder(), QString());
  CSingleInstance guard(CSingleInstance::RuntimeFolder(), nullptr);
  EXPECT_EQ(guard.ClaimOrHandOver(QString(), 100), Claim::kNoGuard);
  EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

// Two real programs started in the same instant, each with a file: one runs
// on, the other hands its file over and ends, and the file opens in the one
// that runs (a file opened into a pane heads the recent-file list, which the
// program writes to its settings file at once).
TEST(SingleInstance, TwoStartsInTheSameInstantGiveOneProgramWithBothFiles) {
  QTemporaryDir root;
  const QString config = root.path() + QStringLiteral("/config");
  const QString runtime = root.path() + QStringLiteral("/runtime");
  QDir().mkpath(config);
  QDir().mkpath(runtime);
  ::chmod(QFile::encodeName(runtime).constData(), 0700);
  QStringList files;
  for (const char* name : {"Address.xmb", "Name.xmb", "Glyph.xmb"}) {
    files << root.path() + u'/' + QLatin1String(name);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(SamplePath(name)), files.last()));
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  const QString program = QStringLiteral(XAMU_BUILD_DIR "/bin/xamu");
  auto start = [&](QProcess& p, const QString& file) {
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, {QStringLiteral("--no-splash"), file});
  };
  auto recent = [&](int index) {
    QFile file(config + QStringLiteral("/KORVANTE/XAMU.conf"));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    const QByteArray key = "File" + QByteArray::number(index) + '=';
    bool inGroup = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
      if (line.startsWith('[')) {
        inGroup = line.startsWith("[Recent%20File%20List]");
      } else if (inGroup && line.startsWith(key)) {
        return QString::fromUtf8(line.mid(key.size()));
      }
    }
    return QString();
  };

  QProcess a, b;
  start(a, files[0]);
  start(b, files[1]);
  ASSERT_TRUE(a.waitForStarted(5000));
  ASSERT_TRUE(b.waitForStarted(5000));
  // One of them ends, at once and without complaint.
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning; },
                              20000));
  QProcess& ended = a.state() == QProcess::NotRunning ? a : b;
  QProcess& running = &ended == &a ? b : a;
  const QString endedFile = &ended == &a ? files[0] : files[1];
  const QString runningFile = &ended == &a ? files[1] : files[0];
  EXPECT_EQ(ended.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(ended.exitCode(), 0);
  // The other's file opens in the one that runs, after its own.
  EXPECT_TRUE(QTest::qWaitFor([&] { return recent(1) == endedFile; }, 20000)) << recent(1).toStdString();
  EXPECT_EQ(recent(2), runningFile);
  EXPECT_EQ(running.state(), QProcess::Running);

  // A third start does the same.
  QProcess c;
  start(c, files[2]);
  EXPECT_TRUE(c.waitForFinished(20000));
  EXPECT_EQ(c.exitCode(), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return recent(1) == files[2]; }, 20000)) << recent(1).toStdString();
  EXPECT_EQ(running.state(), QProcess::Running);

  running.terminate();  // SIGTERM to its own process id
  if (!running.waitForFinished(5000)) {
    running.kill();
    running.waitForFinished(5000);
  }
}
