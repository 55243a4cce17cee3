#include "device/CupsSpooler.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <dlfcn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// libcups and the two dozen libraries it brings (TLS, Kerberos, D-Bus, ...)
// are loaded only when a CUPS queue is asked for: linked, they cost every
// start of the program and of each command-line call, which mostly use the
// emulated printer or no printer at all.
constexpr char kCupsLibrary[] = "libcups.so.2";

#define XAMU_CUPS_FUNCTIONS(X)                                                                                   \
  X(cupsServer) X(ippPort) X(cupsEncryption) X(cupsLastError) X(cupsLastErrorString) X(ippErrorString)          \
  X(httpConnect2) X(httpSetTimeout) X(httpClose) X(httpAssembleURIf) X(cupsGetDests2) X(cupsFreeDests)         \
  X(cupsGetOption) X(cupsGetPPD3) X(ppdOpenFile) X(ppdLastError) X(ppdFindAttr) X(ppdClose) X(ippNewRequest) \
  X(ippAddString) X(cupsDoRequest) X(ippGetStatusCode) X(ippDelete) X(cupsGetJobs2) X(cupsFreeJobs)

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct CUPSLIBRARY {
#define XAMU_CUPS_POINTER(name) decltype(&::name) name = nullptr;
  XAMU_CUPS_FUNCTIONS(XAMU_CUPS_POINTER)
#undef XAMU_CUPS_POINTER
};

// The library's functions, loaded on the first call (and then kept: libcups
// cannot be unloaded safely); null when it or one of them is missing.
const CUPSLIBRARY* LoadCups() {
  static const CUPSLIBRARY* const loaded = []() -> const CUPSLIBRARY* {
    void* handle = dlopen(kCupsLibrary, RTLD_LAZY | RTLD_LOCAL);
    if (!handle) return nullptr;
    static CUPSLIBRARY functions;
    bool complete = true;
#define XAMU_CUPS_BIND(name) \
  complete = complete && (functions.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name))) != nullptr;
    XAMU_CUPS_FUNCTIONS(XAMU_CUPS_BIND)
#undef XAMU_CUPS_BIND
    return complete ? &functions : nullptr;
  }();
  return loaded;
}
#pragma GCC diagnostic pop

// Only after LoadCups() has given the functions.
const CUPSLIBRARY& Cups() { return *LoadCups(); }

const std::string kNoCupsLibrary = std::string(kCupsLibrary) + " cannot be loaded";

struct HTTPCLOSE {
  void operator()(http_t* http) const { Cups().httpClose(http); }
};
using HTTP = std::unique_ptr<http_t, HTTPCLOSE>;

// A connection to the default server, every wait on it bounded by
// `timeoutMs`; null (with `problem` set) when the server does not answer.
HTTP Connect(int timeoutMs, std::string& problem) {
  if (!LoadCups()) {
    problem = kNoCupsLibrary;
    return HTTP();
  }
  http_t* http = Cups().httpConnect2(Cups().cupsServer(), Cups().ippPort(), nullptr, AF_UNSPEC, Cups().cupsEncryption(), 1, timeoutMs, nullptr);
  if (!http) {
    problem = "the CUPS server " + CCupsSpooler::ServerName() + " does not answer";
    return HTTP();
  }
  // Without a callback the first wait that runs out ends the request.
  Cups().httpSetTimeout(http, timeoutMs / 1000.0, nullptr, nullptr);
  return HTTP(http);
}

bool IppFailed(ipp_status_t status) { return status > IPP_STATUS_OK_EVENTS_COMPLETE; }

// The last request's failure in words. A connection that broke or timed out
// leaves only errno's words ("Success" after a timeout), so it is named as
// such.
std::string LastCupsError() {
  ipp_status_t status = Cups().cupsLastError();
  if (status == IPP_STATUS_ERROR_INTERNAL || status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
    return "the CUPS server " + CCupsSpooler::ServerName() + " does not answer";
  const char* text = Cups().cupsLastErrorString();
  return text && *text ? text : Cups().ippErrorString(status);
}

}  // namespace

int ReadPpdDriverPrivate(const std::string& path, std::vector<uint8_t>& block) {
  block.clear();
  if (!LoadCups()) return kPpdUnreadable;
  // The PPD functions are deprecated in libcups but still the only reader of
  // a queue's PPD that the distribution ships.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ppd_file_t* ppd = Cups().ppdOpenFile(path.c_str());
  if (!ppd) {
    int line = 0;
    return Cups().ppdLastError(&line) == PPD_FILE_OPEN_ERROR ? kPpdUnreadable : kPpdMalformed;
  }
  ppd_attr_t* attr = Cups().ppdFindAttr(ppd, kPpdPrivateKeyword, nullptr);
  std::string value = attr && attr->value ? attr->value : "";
  Cups().ppdClose(ppd);
#pragma GCC diagnostic pop
  if (value.empty()) return kPpdNoKeyword;
  // A value cut to fit could look like the maker's text when it is not.
  if (value.size() >= kPpdPrivateSize) return kPpdTooLong;
  block.assign(kPpdPrivateSize, 0);
  std::memcpy(block.data(), value.data(), value.size());
  return kPpdOk;
}

const char* PpdResultText(int result) {
  switch (result) {
    case kPpdOk: return "PPD keyword found";
    case kPpdUnreadable: return "PPD cannot be read";
    case kPpdMalformed: return "PPD is malformed";
    case kPpdNoKeyword: return "no PPD keyword";
    case kPpdTooLong: return "PPD keyword value too long";
    default: return "PPD not usable";
  }
}

std::string CCupsSpooler::ServerName() {
  if (!LoadCups()) return "(" + kNoCupsLibrary + ")";
  std::string server = Cups().cupsServer();
  // A socket path carries no port.
  if (!server.empty() && server[0] != '/') server += ":" + std::to_string(Cups().ippPort());
  return server;
}

bool CCupsSpooler::EnumPrinters(std::vector<SPOOLERPRINTER>& printers) {
  printers.clear();
  m_problem.clear();
  HTTP http = Connect(m_timeoutMs, m_problem);
  if (!http) return false;
  cups_dest_t* dests = nullptr;
  int count = Cups().cupsGetDests2(http.get(), &dests);
  // A server without queues answers "not found"; that is an empty list.
  if (count <= 0 && IppFailed(Cups().cupsLastError()) && Cups().cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) {
    m_problem = LastCupsError();
    Cups().cupsFreeDests(count, dests);
    return false;
  }
  for (int i = 0; i < count; ++i) {
    const cups_dest_t& d = dests[i];
    // An instance is the same queue with other default options.
    if (d.instance || !d.name) continue;
    const char* model = Cups().cupsGetOption("printer-make-and-model", d.num_options, d.options);
    printers.push_back({d.name, model ? model : ""});
  }
  Cups().cupsFreeDests(count, dests);
  return true;
}

bool CCupsSpooler::GetDriverPrivate(const std::string& printer, std::vector<uint8_t>& bytes) {
  bytes.clear();
  m_problem.clear();
  HTTP http = Connect(m_timeoutMs, m_problem);
  if (!http) return false;
  // libcups writes the PPD into the file named here (or replaces it with a
  // link to the server's own copy); either is removed after reading.
  std::string made = m_tempFolder + "/~XamuPpdXXXXXX";
  char path[1024] = "";
  int fd = made.size() < sizeof path ? mkstemp(made.data()) : -1;
  if (fd < 0) {
    m_problem = "no temporary file for the PPD in " + m_tempFolder;
    return false;
  }
  close(fd);
  std::memcpy(path, made.c_str(), made.size() + 1);
  time_t modified = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  http_status_t status = Cups().cupsGetPPD3(http.get(), printer.c_str(), &modified, path, sizeof path);
#pragma GCC diagnostic pop
  int result = kPpdUnreadable;
  if (status == HTTP_STATUS_OK) result = ReadPpdDriverPrivate(path, bytes);
  unlink(path);
  if (made != path) unlink(made.c_str());
  if (status != HTTP_STATUS_OK) {
    m_problem = status == HTTP_STATUS_NOT_FOUND ? "no PPD" : "the PPD cannot be fetched (" + LastCupsError() + ")";
    return false;
  }
  if (result != kPpdOk) {
    m_problem = PpdResultText(result);
    return false;
  }
  return true;
}

intptr_t CCupsSpooler::OpenPrinter(const std::string& printer) {
  m_problem.clear();
  if (printer.empty()) return 0;
  HTTP http = Connect(m_timeoutMs, m_problem);
  if (!http) return 0;
  // The queue must exist; its name may hold spaces or non-ASCII bytes, which
  // the URI carries escaped.
  char uri[HTTP_MAX_URI];
  if (Cups().httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", Cups().ippPort(), "/printers/%s",
                       printer.c_str()) != HTTP_URI_STATUS_OK) {
    m_problem = "the queue name cannot be used";
    return 0;
  }
  ipp_t* request = Cups().ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
  ipp_t* response = Cups().cupsDoRequest(http.get(), request, "/");
  bool found = response && !IppFailed(Cups().ippGetStatusCode(response));
  Cups().ippDelete(response);
  if (!found) {
    m_problem = "the queue cannot be opened (" + LastCupsError() + ")";
    return 0;
  }
  intptr_t handle = m_next++;
  m_open[handle] = printer;
  return handle;
}

int CCupsSpooler::QueuedJobs(intptr_t handle) {
  m_problem.clear();
  auto it = m_open.find(handle);
  if (it == m_open.end()) return -1;
  HTTP http = Connect(m_timeoutMs, m_problem);
  if (!http) return -1;
  cups_job_t* jobs = nullptr;
  // Every user's jobs: anybody's print run keeps the printer busy.
  int count = Cups().cupsGetJobs2(http.get(), &jobs, it->second.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  if (count > 0) Cups().cupsFreeJobs(count, jobs);
  if (count < 0 || (count == 0 && IppFailed(Cups().cupsLastError()))) {
    m_problem = "the queue cannot be read (" + LastCupsError() + ")";
    return -1;
  }
  return count;
}

void CCupsSpooler::ClosePrinter(intptr_t handle) { m_open.erase(handle); }
