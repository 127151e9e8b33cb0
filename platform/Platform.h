#pragma once

// The thin layer between the program and the operating system. Every call into the
// system goes through here; the rest of the program sees plain byte-string paths and
// never a system type. Platform_posix.cpp and Platform_win32.cpp implement it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

struct FileBytes;

// Sets the process up at start: the locale the build needs (Windows: Russian, code
// page 1251; names are never folded through it: the program's own Windows-1251 table
// does that), and on POSIX an over-size write made an ordinary write error instead
// of a signal.
void SetUpProcess();

// How standard output shows text: Windows-1251 bytes (the C locale, or redirected on
// Windows), UTF-8 bytes (a UTF-8 locale), or a Windows console written in UTF-16.
enum class ConsoleKind { Windows1251, Utf8, WideConsole };
ConsoleKind StandardOutputKind();
// True when standard output is a terminal (a console window), not a file or a pipe.
bool StandardOutputIsTerminal();
// Whether the user's interface language is Russian (Windows); true where the system has
// no such setting (POSIX: the locale's variables tell).
bool InterfaceLanguageIsRussian();

// Writes UTF-8 text to the Windows console as UTF-16; false where there is none.
bool WriteConsoleUtf8(const std::string& text);

// The separator the build joins its own paths with: '/' on POSIX, '\' on Windows.
char PathSeparator();

// The line end of text files the build writes: LF on POSIX, CR LF on Windows.
const char* TextLineEnd();

// Joins and normalises with the system's own path call where the build has one;
// false when there is none or it refuses (a result beyond the system's length limit).
bool SystemCombinePath(const std::string& directory, const std::string& name, std::string& combined);

enum class SystemAnswer { Found, None, NoCall };

// The relative path from one directory to another by the system's own call, both ends
// taken as directories: Found (in `relative`), None (no relative path, such as across
// drives), or NoCall when the build has no such call.
SystemAnswer SystemRelativePath(const std::string& fromDirectory, const std::string& toDirectory,
                                std::string& relative);

// Where relative file names are taken from without -fdir: the program's own folder on
// Windows (the contract), the current folder on POSIX, as every POSIX program does.
bool NamesFromProgramFolder();

// The program's arguments, the program's name first, as UTF-8 on Windows (read as
// UTF-16 from the system, never through the code page) and as the bytes they are on
// POSIX.
std::vector<std::string> CommandLineArguments(int argumentCount, char** arguments);

// Whether file names are Unicode text (Windows: a Windows-1251 scheme's file names are
// then converted from Windows-1251) or bytes (POSIX).
bool FileNamesAreUnicode();

// Full path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();

// The process's current directory; empty when it cannot be read.
std::string CurrentDirectory();

enum class EntryKind { Missing, File, Directory, Other };

// What a path names, following symbolic links: a regular file, a folder, or Other
// (a pipe, a device, a socket).
EntryKind KindOf(const std::string& path);

// Creates one directory level; false when it exists or its parent is missing.
bool CreateOneDirectory(const std::string& path);
// The same, telling why: 0, or the system's error code.
int CreateDirectoryExclusive(const std::string& path);
// True when the system's error code says the entry exists already.
bool IsExistsError(int errorCode);
// Removes an empty directory the run made; failures are ignored.
void RemoveEmptyDirectory(const std::string& path);

// A text that is equal for two paths exactly when they name the same file as the
// file system sees it (device and inode on POSIX); for a path that names nothing, the
// path itself, letter case folded where the system ignores it.
std::string FileIdentity(const std::string& path);

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;  // a folder, or a link to one
    bool isLink = false;       // a symbolic link (Windows: a reparse point)
};

// Every entry of a directory in the order the build lists folders in ("." and ".."
// included where the system reports them); false when it cannot be enumerated.
bool ListEntries(const std::string& directory, std::vector<DirectoryEntry>& entries);

// Preserves the bytes of `from` (links followed) at `to`, which must not exist: a hard
// link where the file system allows it (POSIX), else a copy created exclusively and
// flushed to disk. Never replaces a file. Returns 0 or the system's error code.
int PreserveCopy(const std::string& from, const std::string& to);

// The system's text for an error code, formatted as "<text> (0x<hex code>)",
// or the empty text when the system has no text for it.
std::string ErrorText(int errorCode);
// ".Error is [<code>][<text>]": the system's reason as every error message of the
// program gives it, after what failed.
std::string ErrorSuffix(int errorCode);
// The system's code for "a link stands where a file was wanted".
int IsALinkCode();

// The last error code the system recorded for this thread.
int LastErrorCode();
// The system's code for "permission denied" (EACCES; ERROR_ACCESS_DENIED).
int PermissionDeniedCode();

struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime Now();

// The processor time the calling thread has used, in microseconds: what a budget of work
// is measured in, so that a busy machine never turns a result into a failure.
std::int64_t ThreadCpuMicroseconds();

// Runs `work` on a new thread whose stack of `stackBytes` is reserved, not committed,
// and waits for it: without end when `budgetMilliseconds` is negative, else at most
// that long. True when the work finished; false when it did not start or ran over
// budget (it is then left running, detached, so it must own everything it touches).
bool RunOnOwnStack(std::function<void()> work, std::size_t stackBytes, long budgetMilliseconds);
// Every thread allocates from the process's one heap. The run does its work on a thread
// of its own, and a heap of a thread's own grows a few pages at a time, each a system
// call. Call this before any thread starts.
void ShareOneHeap();

// Reads an existing regular file whole with plain reads (others may read it but not
// write it meanwhile where the system enforces that), so a file changed underneath
// gives an error and never a signal. False, with `bytes` empty, on any failure, a
// zero-length file and one of 4 GiB or more included.
bool ReadWholeFile(const std::string& path, FileBytes& bytes);

// Reading a file front to back in chunks. Open gives -1 when the path names no regular
// file that can be opened for reading (a folder, a pipe or a device is refused at once,
// without blocking); Read gives the count of bytes read, 0 at the end and -1 on a read
// error (LastErrorCode then tells why).
std::intptr_t OpenForReading(const std::string& path);
// The size the system reports for an open file: a hint for the first read buffer, never
// a proof (some files report 0 and have content).
std::uint64_t SizeHint(std::intptr_t handle);
long ReadChunk(std::intptr_t handle, char* buffer, std::size_t sizeBytes);
void CloseReading(std::intptr_t handle);

// ---- Writing a file so that it is replaced whole or not at all. ----

// The path that writing `path` really changes: a chain of symbolic links resolved.
std::string FinalLinkTarget(const std::string& path);

// True when `path` exists and the user may not write it (a truncating open would fail).
bool ExistsReadOnly(const std::string& path);

// An open temporary file, created exclusively beside its target.
struct TempFile {
    std::intptr_t handle = -1;
    std::string path;
    // Made in a held folder (below): that folder's handle, borrowed, and the name in it.
    std::intptr_t folder = -1;
    std::string name;
};

bool CreateTempFileBeside(const std::string& targetPath, TempFile& tempFile);
bool WriteAll(const TempFile& tempFile, const char* data, std::size_t sizeBytes);
// The runs one after another, in as few calls as the system allows.
bool WriteAllRuns(const TempFile& tempFile, const std::string_view* runs, std::size_t count);
bool FlushToDisk(const TempFile& tempFile);
bool CloseFile(TempFile& tempFile);
// Gives the temporary file the permission bits and, where the process may set them,
// the owner and group of the first of `sources` that exists; with none, the bits a
// newly created file would get.
void TakeAttributes(const TempFile& tempFile, const std::vector<std::string>& sources);
// Puts the temporary file in the target's place (keeping the replaced file's
// attributes where the system can), and makes the change durable.
bool ReplaceWith(const std::string& tempPath, const std::string& targetPath);
// Removes a temporary file; failures are ignored.
void RemoveFile(const std::string& path);
// Removes a file the run is done with; false when the system refuses.
bool RemoveEntry(const std::string& path);
void SyncDirectoryOf(const std::string& path);

// ---- Writing inside a held folder. ----

// A folder reached from the root with no link on the way, owned by the user or root and
// writable by no one else, held open while a restore writes in it: what is made,
// preserved, renamed or removed in it by name stays in that very folder, whatever is
// renamed or linked above it meanwhile (POSIX: every step goes through the open folder
// with the *at calls; Windows: each folder on the way is held open without delete
// sharing, so none can be renamed, removed or replaced, and none is a reparse point).
struct EntryFacts;
struct HeldFolder {
    std::intptr_t handle = -1;
    std::string path;
    std::vector<std::intptr_t> above;  // Windows: the folders on the way, held too
};
// 0, or the system's error: IsALinkCode() for a link on the way, PermissionDeniedCode()
// for a folder another user may change. Not `wholeWay`: only the folder itself must be
// no link (links above it are followed), for a folder the process has just made.
int HoldFolder(const std::string& folder, HeldFolder& held, bool wholeWay = true);
void ReleaseFolder(HeldFolder& held);
EntryFacts FactsWithin(const HeldFolder& folder, const std::string& name);
bool CreateTempFileIn(const HeldFolder& folder, const std::string& targetName, TempFile& tempFile);
bool ReplaceWithin(const HeldFolder& folder, const std::string& tempName, const std::string& targetName);
void RemoveFileWithin(const HeldFolder& folder, const std::string& name);
bool RemoveEntryWithin(const HeldFolder& folder, const std::string& name);
// PreserveCopy into the held `folder` as `name`: from the file `source` names in
// `sourceFolder`, which must not be a link (IsALinkCode() if it is), or, with no source
// folder, from the path `source` with its links followed.
int PreserveCopyInto(const HeldFolder* sourceFolder, const std::string& source, const HeldFolder& folder,
                     const std::string& name);
// The folder `name` in `parent`, made unless it exists (it must be no link), and held.
int MakeFolderWithin(const HeldFolder& parent, const std::string& name, HeldFolder& made);
void KeepWritableByOwnerOnlyWithin(const HeldFolder& folder, const std::string& name);

// ---- Identity, ownership and locks. ----

// The path with every symbolic link and "." or ".." resolved; for a path that names
// nothing, the real path of the nearest folder above it that exists, followed by the
// rest of the path as written.
std::string RealPath(const std::string& path);

// What an existing entry is, as the entry itself (a link is not followed).
struct EntryFacts {
    bool exists = false;
    bool isRegularFile = false;  // a regular file, not a link
    bool isDirectory = false;    // a folder, not a link
    bool isLink = false;         // a symbolic link (Windows: a reparse point)
    bool ownedByUserOrRoot = false;
    bool writableByOthers = false;  // group or others may write it
};
EntryFacts FactsOf(const std::string& path);

// Takes write permission from the group and others (the program's own folders and
// records); a failure is ignored.
void KeepWritableByOwnerOnly(const std::string& path);

// 0 when the process may remove `path` from its folder (the folder can be written), else
// the system's error code.
int RemovalError(const std::string& path);
// 0 when the process may create entries in `folder`, else the system's error code.
int CreationError(const std::string& folder);

enum class LockAnswer { Taken, Busy, NotLockable };
// An exclusive lock on an existing file or folder, held through `handle` until Unlock.
// Busy when another process holds it; the lock is taken only on the file the path still
// names once locked.
LockAnswer TryLock(const std::string& path, std::intptr_t& handle);
void Unlock(std::intptr_t handle);

// Removes a left-over temporary file when it is a regular file of this user that no
// live process holds (a live temporary carries a lock); true when removed.
bool RemoveIfAbandoned(const std::string& path);

// Temporaries put in place keep their lock until this call, so that a second run waits
// for the first to end and not only for its commit.
void ReleaseHeldLocks();

// ---- Interruption. ----

// From here on SIGINT, SIGTERM and SIGHUP (Windows: Ctrl-C, Ctrl-Break and the console's
// close) remove every temporary file the process has made and not yet put in place or
// removed, print the status line and end the process with exit code 1. On POSIX the
// signals are blocked in the calling thread and in every thread it starts later, and
// one thread of the platform's own takes them: call this first, before any thread.
void InstallInterruptCleanup();
// While deferred, such a signal is only noted: the commit, the records, the report and
// the status line finish first (a console that closes waits for them).
void DeferInterrupts(bool defer);
// True when a signal arrived while interrupts were deferred; cleared when deferring ends.
bool InterruptPending();

// Interrupts deferred for the object's life.
class InterruptsDeferred {
public:
    InterruptsDeferred() { DeferInterrupts(true); }
    ~InterruptsDeferred() { DeferInterrupts(false); }
    InterruptsDeferred(const InterruptsDeferred&) = delete;
    InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;
};

// Test seam: makes a step of the run's writing fail as the system would: the step's
// next call, or the one after `callsToSkip` more calls of it.
// FolderTaken: a folder made exclusively is there already, as another run's would be.
enum class WriteStep {
    None, Create, ReadOnlyTarget, Write, Flush, Close, Replace, Link, Copy, FolderCreate, FolderTaken, Remove, RemoveCheck
};
// The step fails `times` calls in a row, after `callsToSkip` calls that succeed.
void FailNextWriteStepForTesting(WriteStep step, int callsToSkip = 0, int times = 1);
// Test seam: every change of a folder's entries and every folder flush the program makes
// is appended to `trace` ("mkdir <path>", "link <path>", "rename <target>", "unlink
// <path>", "sync <folder>") until it is called with null.
void TraceEntryChangesForTesting(std::vector<std::string>* trace);

}  // namespace Platform
