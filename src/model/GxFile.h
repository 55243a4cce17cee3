#pragma once
#include <cstdint>
#include <string>

struct iovec;

// Binary file stream over a POSIX descriptor. No operation throws: a failure
// gives a false or zero result and records its cause, which the caller reads
// right after the failing call (the cause is never cleared, only overwritten).

// Open flags, with the numbers the desktop framework uses for them.
enum : unsigned {
  kGxModeRead = 0x0000,        // read-only access
  kGxModeWrite = 0x0001,       // write-only access
  kGxModeReadWrite = 0x0002,   // read and write access
  kGxShareExclusive = 0x0010,  // nobody else may have the file open (flock LOCK_EX)
  kGxShareDenyWrite = 0x0020,  // others may only read (flock LOCK_SH)
  kGxShareDenyNone = 0x0040,   // no lock at all
  kGxModeCreate = 0x1000,      // create the file, truncating an existing one
  kGxModeNoTruncate = 0x2000,  // with kGxModeCreate: keep an existing file's bytes
  kGxModeLookFirst = 0x4000,   // reading: refuse a path that is no regular file or folder
                               // before opening it, so not even a device's open happens
};
// Reading a data file the user chose.
inline constexpr unsigned kGxOpenReadExclusive = kGxModeRead | kGxShareExclusive;  // 0x0010
// Peeking at the header of whatever a file dialog's selection lands on.
inline constexpr unsigned kGxOpenPeek = kGxOpenReadExclusive | kGxModeLookFirst;  // 0x4010
// Writing a data file.
inline constexpr unsigned kGxOpenWriteExclusive = kGxModeCreate | kGxModeWrite | kGxShareExclusive;  // 0x1011

// File-error causes, numbered as the desktop framework numbers them.
enum : int {
  kCauseNone = 0,              // no error
  kCauseGeneric = 1,           // anything without a cause of its own
  kCauseFileNotFound = 2,      // ENOENT
  kCauseBadPath = 3,           // ENOTDIR, ENAMETOOLONG, an empty path
  kCauseAccessDenied = 5,      // EACCES, EPERM, EROFS, EISDIR
  kCauseDirectoryFull = 8,     // EMFILE, ENFILE: no more descriptors
  kCauseBadSeek = 9,           // a seek before the start of the file
  kCauseHardIO = 10,           // EIO
  kCauseSharingViolation = 11, // the file is locked by another open
  kCauseDiskFull = 13,         // ENOSPC, EDQUOT
};

// The cause that an errno value stands for.
int CauseFromErrno(int err);

enum class GxSeek : int { kBegin = 0, kCurrent = 1, kEnd = 2 };

class CGxFile {
 public:
  CGxFile() = default;
  virtual ~CGxFile();
  CGxFile(const CGxFile&) = delete;
  CGxFile& operator=(const CGxFile&) = delete;

  // Stores `cause` as the last cause; true only when it is kCauseNone.
  virtual bool OnError(int cause);
  virtual int GetLastCause() const { return m_lastCause; }
  // Opens with the flags above. A file created here gets `mode` (less the
  // umask). Exclusive sharing takes the lock before anything is truncated, so
  // a locked file is never changed by a failed open.
  virtual bool Open(const std::string& path, unsigned flags, unsigned mode = 0666);
  // Bytes read, fewer only at the end of the file; 0 on failure (cause set)
  // or at the end (cause unchanged).
  virtual uint32_t Read(void* buffer, uint32_t count);
  // True when all `count` bytes were written.
  virtual bool Write(const void* buffer, uint32_t count);
  // The offset is 32-bit in the framework; wider offsets are taken so that
  // positions checked against GetLength64 can be reached.
  virtual bool Seek(int64_t offset, GxSeek origin);
  virtual bool SeekToBegin() { return Seek(0, GxSeek::kBegin); }
  virtual bool SeekToEnd() { return Seek(0, GxSeek::kEnd); }
  // The low 32 bits of the file length; `length` stays 0 on failure.
  virtual bool GetLength(uint32_t& length);
  // The full length, for bounds checks on untrusted offsets.
  bool GetLength64(uint64_t& length);
  // The length Open found, without asking the file again: right for a file
  // opened to be read under its own lock. False when Open did not find one.
  bool GetLengthAtOpen(uint64_t& length) const;
  // Reads `count` buffers in turn from the current position (one system call
  // for many small buffers). Returns the bytes read; fewer only at the end of
  // the file, 0 on failure (cause set).
  uint64_t ReadVector(const struct iovec* buffers, int count);
  // Writes `count` buffers in turn; true when every byte was written.
  bool WriteVector(const struct iovec* buffers, int count);
  // Pushes the written bytes to the disk (fsync).
  bool Flush();
  // Closes the descriptor (and with it the lock). Safe to call twice.
  void Close();

  // Creates and opens (read/write, exclusive) a new empty file with a unique
  // "~Gx" name in `folder`, made with `mode` less the umask; its path is
  // FilePath().
  bool OpenTemp(const std::string& folder, unsigned mode = 0600);

  // Takes over an open descriptor (closing what was open); `path` is what
  // FilePath() reports. Release gives the descriptor up without closing it.
  void Attach(int fd, const std::string& path);
  int Release();

  bool IsOpen() const { return m_fd >= 0; }
  int Descriptor() const { return m_fd; }
  const std::string& FilePath() const { return m_path; }

  // Test seam: after `bytes` more bytes have been written through any CGxFile
  // in this process, writes fail with `err` (a short write is made first so
  // the failure lands mid-file). A negative count turns it off.
  static void SetWriteFailureAfter(long long bytes, int err = 28 /* ENOSPC */);

 private:
  bool FailWith(int err) { return OnError(CauseFromErrno(err)); }

  static constexpr uint64_t kNoLength = UINT64_MAX;

  int m_fd = -1;
  uint64_t m_lengthAtOpen = kNoLength;
  int m_lastCause = kCauseNone;
  std::string m_path;
};

// A fresh candidate name "<folder>/~Gx<six random characters>.tmp" (folder
// "" is the current one); nothing is made: the caller creates it with
// O_EXCL and tries another name when it exists.
std::string GxTempName(const std::string& folder);

// A unique empty temporary file "~Gx..." (mode 0600) in the folder only the
// user can enter (PrivateScratchFolder); the full path in `path`. False when
// there is no such folder or no file could be made.
bool GetGxTempFileName(std::string& path);
