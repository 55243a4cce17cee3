#pragma once
// A private CUPS scheduler for one test: cupsd runs in the foreground in a
// folder of the test's own, listens only on a Unix socket there and is
// stopped by its process id. Clients reach it through CUPS_SERVER, which
// CTestEnv already points at <root>/runtime/cups.sock; the machine's own
// scheduler is never asked.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

class CCupsServer {
 public:
  // `root` is the CTestEnv root.
  explicit CCupsServer(const std::string& root) : m_folder(root + "/cupsd"), m_socket(root + "/runtime/cups.sock") {}
  ~CCupsServer() { Stop(); }
  CCupsServer(const CCupsServer&) = delete;
  CCupsServer& operator=(const CCupsServer&) = delete;

  // The full path of a CUPS program, or empty when it is not installed
  // (cupsd and lpadmin live in sbin, which a user's PATH may lack).
  static std::string Tool(const std::string& name) {
    for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
      std::string path = std::string(dir) + "/" + name;
      if (access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
  }
  static bool Installed() {
    for (const char* tool : {"cupsd", "lpadmin", "lp", "cupsdisable"})
      if (Tool(tool).empty()) return false;
    return true;
  }

  const std::string& Socket() const { return m_socket; }
  const std::string& Error() const { return m_error; }

  // Writes the configuration, starts cupsd and waits until its socket takes
  // connections. False (see Error) when it did not come up.
  bool Start() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::remove_all(m_folder, ec);  // nothing of an earlier server in this root
    for (const char* sub : {"spool/temp", "cache", "state", "log", "ppd"}) fs::create_directories(m_folder + "/" + sub);
    std::ofstream files(m_folder + "/cups-files.conf");
    files << "ServerRoot " << m_folder << "\nRequestRoot " << m_folder << "/spool\nTempDir " << m_folder
          << "/spool/temp\nCacheDir " << m_folder << "/cache\nStateDir " << m_folder << "/state\nAccessLog "
          << m_folder << "/log/access_log\nErrorLog " << m_folder << "/log/error_log\nPageLog " << m_folder
          << "/log/page_log\nPrintcap " << m_folder << "/printcap\nFileDevice Yes\n";
    // As root cupsd runs its helpers as lp; as a user it runs as that user,
    // whose group may administer it.
    if (geteuid() == 0) {
      files << "User lp\nGroup lp\nSystemGroup root\n";
    } else if (const group* g = getgrgid(getegid())) {
      files << "SystemGroup " << g->gr_name << "\n";
    }
    files.close();
    std::ofstream conf(m_folder + "/cupsd.conf");
    conf << "Listen " << m_socket
         << "\nLogLevel warn\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
            "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
            "<Policy default>\nJobPrivateAccess all\nJobPrivateValues none\n"
            "SubscriptionPrivateAccess all\nSubscriptionPrivateValues none\n"
            "<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n";
    conf.close();
    std::string cupsd = Tool("cupsd");
    std::string conf_path = m_folder + "/cupsd.conf", files_path = m_folder + "/cups-files.conf";
    std::string log = m_folder + "/log/cupsd.out";
    m_pid = fork();
    if (m_pid == 0) {
      int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
      }
      execl(cupsd.c_str(), "cupsd", "-f", "-c", conf_path.c_str(), "-s", files_path.c_str(), (char*)nullptr);
      _exit(127);
    }
    if (m_pid < 0) {
      m_error = "fork failed";
      return false;
    }
    // A loaded machine may take a while; a scheduler that gave up says so.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        m_error = "cupsd ended at start: " + Slurp(log) + Slurp(m_folder + "/log/error_log");
        return false;
      }
      if (Answers()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_error = "cupsd did not answer within 60 s";
    Stop();
    return false;
  }

  // Stops the scheduler by its process id; the socket is gone afterwards.
  void Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
      if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
      m_pid = -1;
    }
    unlink(m_socket.c_str());
  }

  // Runs a CUPS client program (found with Tool) with shell-quoted
  // arguments against this server; true when it exits with 0.
  bool Run(const std::string& tool, const std::string& args, const std::string& input = "") {
    std::string cmd = Tool(tool) + " " + args + " >>" + m_folder + "/log/clients 2>&1";
    if (!input.empty()) cmd = "printf '%s' " + Quote(input) + " | " + cmd;
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) && WEXITSTATUS(rc) == 0;
  }
  // A queue printing to /dev/null with the PPD (none when empty), enabled.
  bool AddQueue(const std::string& name, const std::string& ppd) {
    return Run("lpadmin", "-p " + Quote(name) + " -v file:///dev/null" + (ppd.empty() ? "" : " -P " + Quote(ppd)) +
                              " -E");
  }
  // A disabled queue holding one raw job: busy for as long as the test runs.
  bool HoldJob(const std::string& name) {
    return Run("cupsdisable", Quote(name)) && Run("lp", "-d " + Quote(name) + " -o raw", "label\n");
  }
  std::string ClientLog() const { return Slurp(m_folder + "/log/clients"); }

  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }

 private:
  bool Answers() const {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, m_socket.c_str(), sizeof addr.sun_path - 1);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string m_folder;
  std::string m_socket;
  std::string m_error;
  pid_t m_pid = -1;
};
