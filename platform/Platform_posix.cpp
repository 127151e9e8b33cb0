#include "platform/Platform.h"

#include "platform/FileBytes.h"
#include "text/LetterCase.h"
#include "platform/OwnStackThread.h"
#include "platform/WriteFaults.h"

#include <dirent.h>
#include <pthread.h>
#include <fcntl.h>
#include <langinfo.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <ctime>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

namespace Platform {
namespace {

// Paths reach the system with every backslash turned into a slash.
std::string Native(const std::string& path)
{
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Every byte of the runs, in their order: writev takes at most IOV_MAX runs a call and
// may write part of them.
bool WriteRunsFully(int descriptor, const std::string_view* runs, std::size_t count)
{
    constexpr std::size_t kMostRuns = IOV_MAX < 1024 ? IOV_MAX : 1024;
    struct iovec pieces[kMostRuns];
    std::size_t done = 0;       // runs written whole
    std::size_t doneBytes = 0;  // of the next one
    while (true) {
        while (done < count && runs[done].size() == doneBytes) {
            ++done;
            doneBytes = 0;
        }
        if (done == count) return true;
        std::size_t used = 0;
        for (std::size_t index = done; index < count && used < kMostRuns; ++index) {
            const std::size_t skip = index == done ? doneBytes : 0;
            pieces[used].iov_base = const_cast<char*>(runs[index].data() + skip);
            pieces[used].iov_len = runs[index].size() - skip;
            ++used;
        }
        const ssize_t written = ::writev(descriptor, pieces, static_cast<int>(used));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        for (auto left = static_cast<std::size_t>(written); left > 0;) {
            const std::size_t rest = runs[done].size() - doneBytes;
            if (left < rest) {
                doneBytes += left;
                break;
            }
            left -= rest;
            ++done;
            doneBytes = 0;
        }
    }
}

bool WriteFully(int descriptor, const char* data, std::size_t sizeBytes)
{
    const std::string_view run(data, sizeBytes);
    return WriteRunsFully(descriptor, &run, 1);
}

// The temporary files the process has made and not yet put in place or removed, each
// with the descriptor that holds its lock, and the locks of temporaries put in place.
// Signals are blocked in every thread of the run; one thread of its own waits for them
// and, unless the commit is under way, removes the temporaries under the same mutex
// that guards every change of the list, so a temporary is never removed while it is
// being put in place.
std::mutex g_registryLock;
std::map<std::string, int> g_temporaries;
std::vector<int> g_heldLocks;
bool g_deferring = false;
int g_pending = 0;

// Every asynchronous signal whose default action ends the process: each is taken by the
// run's signal thread, so none can end a commit half-way. (SIGPIPE and SIGXFSZ are
// ignored instead: a write to a closed pipe or past the size limit fails and says so.)
sigset_t InterruptSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                                   SIGIO, SIGXCPU, SIGPWR}) {
        sigaddset(&signals, signalNumber);
    }
    for (int realTime = SIGRTMIN; realTime <= SIGRTMAX; ++realTime) sigaddset(&signals, realTime);
    return signals;
}

// A second descriptor of the temporary's own holds its lock, so that a clean-up by
// another run sees it alive until this run is done with it. Called with the registry's
// mutex held from before the file is made, so that a signal never finds it made and
// not yet noted.
void NoteTemporaryLocked(const std::string& path, int descriptor)
{
    const int lock = descriptor >= 0 ? ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0) : -1;
    if (lock >= 0) ::flock(lock, LOCK_EX | LOCK_NB);
    g_temporaries[path] = lock;
}

// `keepLock`: the file was put in place, and its lock is held until the run ends.
void ForgetTemporary(const std::string& path, bool keepLock = false)
{
    const std::lock_guard<std::mutex> guard(g_registryLock);
    const auto found = g_temporaries.find(path);
    if (found == g_temporaries.end()) return;
    if (found->second >= 0) {
        if (keepLock) {
            g_heldLocks.push_back(found->second);
        } else {
            ::close(found->second);
        }
    }
    g_temporaries.erase(found);
}

void WaitForSignals()
{
    const sigset_t signals = InterruptSignals();
    for (;;) {
        int signalNumber = 0;
        if (::sigwait(&signals, &signalNumber) != 0) continue;
        std::unique_lock<std::mutex> guard(g_registryLock);
        if (g_deferring) {
            g_pending = signalNumber;
            continue;
        }
        for (const auto& [path, lock] : g_temporaries) ::unlink(path.c_str());
        static const char kText[] = "\n[EXCEPTION] interrupted by a signal: files not yet put in place are as they were"
                                    "\nERROR:1";
        const ssize_t ignored = ::write(STDOUT_FILENO, kText, sizeof kText - 1);
        (void)ignored;
        ::_exit(1);
    }
}

bool SameEntry(const struct stat& left, const struct stat& right)
{
    return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

// A copy of the open `source` made whole under a temporary name beside `to` (flushed,
// with the source's mode and, where the process may set them, its owner and group),
// then linked to `to`, which must not exist; `to` is taken in the folder `folder`
// (AT_FDCWD: as a path), shown as `shownTo`. Returns 0 or the errno of the failing step;
// a kill at any moment leaves no partial file under the name `to`.
int ExclusiveCopy(int source, int folder, const std::string& to, const std::string& shownTo, bool failWriteForTesting)
{
    if (source < 0) return errno;
    struct stat sourceInfo {};
    if (::fstat(source, &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        const int error = errno != 0 ? errno : EINVAL;
        ::close(source);
        return error;
    }
    const std::string suffix = ".velmarch-" + std::to_string(::getpid()) + "-copy";
    const std::string temporary = to + suffix;
    const std::string shownTemporary = shownTo + suffix;
    ::unlinkat(folder, temporary.c_str(), 0);
    int target = -1;
    {
        const std::lock_guard<std::mutex> guard(g_registryLock);
        target = ::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (target >= 0) NoteTemporaryLocked(shownTemporary, target);
    }
    if (target < 0) {
        const int error = errno;
        ::close(source);
        return error;
    }
    int error = 0;
    std::vector<char> chunk(256 * 1024);
    for (;;) {
        const ssize_t got = ::read(source, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) { error = errno; break; }
        if (got == 0) break;
        if (failWriteForTesting) { error = EIO; break; }
        if (!WriteFully(target, chunk.data(), static_cast<std::size_t>(got))) { error = errno; break; }
    }
    if (error == 0 && ::fchown(target, sourceInfo.st_uid, sourceInfo.st_gid) != 0) {
        (void)::fchown(target, static_cast<uid_t>(-1), sourceInfo.st_gid);
    }
    if (error == 0 && ::fchmod(target, sourceInfo.st_mode & 07777) != 0) error = errno;
    if (error == 0 && ::fsync(target) != 0) error = errno;
    if (::close(target) != 0 && error == 0) error = errno;
    ::close(source);
    // The whole copy takes its name without replacing anything there.
    if (error == 0 && ::linkat(folder, temporary.c_str(), folder, to.c_str(), 0) != 0) error = errno;
    {
        const std::lock_guard<std::mutex> guard(g_registryLock);
        ::unlinkat(folder, temporary.c_str(), 0);
    }
    ForgetTemporary(shownTemporary);
    return error;
}

}  // namespace

// The POSIX build keeps the classic "C" locale: no system locale is used for names,
// and numbers always use '.'.
void SetUpProcess() { ::signal(SIGXFSZ, SIG_IGN); }

// The locale's character set is read, and the locale set back: nothing else of the
// program depends on it.
ConsoleKind StandardOutputKind()
{
    ConsoleKind kind = ConsoleKind::Windows1251;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        const char* codeset = ::nl_langinfo(CODESET);
        if (codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0)) {
            kind = ConsoleKind::Utf8;
        }
    }
    std::setlocale(LC_CTYPE, "C");
    return kind;
}

bool WriteConsoleUtf8(const std::string&) { return false; }

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

bool InterfaceLanguageIsRussian() { return true; }

char PathSeparator() { return '/'; }

// The text rules of the path helpers serve here; there is no system call for these.
bool SystemCombinePath(const std::string&, const std::string&, std::string&) { return false; }
SystemAnswer SystemRelativePath(const std::string&, const std::string&, std::string&) { return SystemAnswer::NoCall; }

const char* TextLineEnd() { return "\n"; }

bool NamesFromProgramFolder() { return false; }

std::vector<std::string> CommandLineArguments(int argumentCount, char** arguments)
{
    return std::vector<std::string>(arguments, arguments + argumentCount);
}

bool FileNamesAreUnicode() { return false; }

std::string ExecutablePath()
{
    std::vector<char> buffer(512);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string CurrentDirectory()
{
    std::vector<char> buffer(512);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

EntryKind KindOf(const std::string& path)
{
    struct stat info {};
    if (::stat(Native(path).c_str(), &info) != 0) return EntryKind::Missing;
    if (S_ISDIR(info.st_mode)) return EntryKind::Directory;
    return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
}

bool CreateOneDirectory(const std::string& path)
{
    return ::mkdir(Native(path).c_str(), 0777) == 0;
}

int CreateDirectoryExclusive(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::FolderCreate)) return EACCES;
    if (ConsumeInjectedFailure(WriteStep::FolderTaken)) return EEXIST;
    if (::mkdir(Native(path).c_str(), 0777) != 0) return errno;
    TraceEntryChange("mkdir", Native(path));
    return 0;
}

bool IsExistsError(int errorCode) { return errorCode == EEXIST; }

void RemoveEmptyDirectory(const std::string& path) { ::rmdir(Native(path).c_str()); }

std::string FileIdentity(const std::string& path)
{
    struct stat info {};
    if (::stat(Native(path).c_str(), &info) != 0) return "path:" + Native(path);
    return "file:" + std::to_string(static_cast<unsigned long long>(info.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(info.st_ino));
}

bool ListEntries(const std::string& directory, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    const std::string native = Native(directory);
    DIR* handle = ::opendir(native.c_str());
    if (handle == nullptr) return false;
    while (const dirent* entry = ::readdir(handle)) {
        DirectoryEntry listed;
        listed.name = entry->d_name;
#ifdef _DIRENT_HAVE_D_TYPE
        // The listing tells most entries' kind; a link or an entry of unknown kind is
        // looked at.
        if (entry->d_type == DT_DIR || entry->d_type == DT_REG) {
            listed.isDirectory = entry->d_type == DT_DIR;
            entries.push_back(std::move(listed));
            continue;
        }
#endif
        std::string full = native;
        if (full.empty() || full.back() != '/') full.push_back('/');
        struct stat own {};
        listed.isLink = ::lstat((full + listed.name).c_str(), &own) == 0 && S_ISLNK(own.st_mode);
        listed.isDirectory = KindOf(full + listed.name) == EntryKind::Directory;
        entries.push_back(std::move(listed));
    }
    ::closedir(handle);
    // A folder is listed in the order NTFS gives: case-insensitive by name; names equal
    // but for letter case in byte order, so the file system's own order never decides.
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& left, const DirectoryEntry& right) {
        const int order = LetterCase::CompareNoCase(left.name, right.name);
        return order != 0 ? order < 0 : left.name < right.name;
    });
    return true;
}

namespace {

// The one way a file's present bytes are preserved: `sourceName` in the folder `from`
// linked, or copied, as `name` in the folder `into` (AT_FDCWD: names are paths), shown
// as `shown`. With `refuseLink` a source that is a link is refused and never followed.
int PreserveCopyAt(int from, const std::string& sourceName, bool refuseLink, int into, const std::string& name,
                   const std::string& shown)
{
    if (ConsumeInjectedFailure(WriteStep::Link)) return EIO;
    // The seam's copy fault takes the copy path, as a file system without links does.
    const bool copyFails = ConsumeInjectedFailure(WriteStep::Copy);
    struct stat sourceInfo {};
    const bool known = ::fstatat(from, sourceName.c_str(), &sourceInfo, AT_SYMLINK_NOFOLLOW) == 0;
    if (refuseLink && !known) return errno;
    if (refuseLink && S_ISLNK(sourceInfo.st_mode)) return ELOOP;
    // A file with other names is copied: a link would share later edits made through
    // those names.
    const bool otherNames = known && sourceInfo.st_nlink > 1;
    if (!copyFails && !otherNames) {
        // A hard link keeps the old bytes: the commit puts a new file in the name's place.
        // Without AT_SYMLINK_FOLLOW a link put there meanwhile is linked as a link.
        if (::linkat(from, sourceName.c_str(), into, name.c_str(), 0) == 0) {
            TraceEntryChange("link", shown);
            return 0;
        }
        const int error = errno;
        const bool linksRefused = error == EXDEV || error == EPERM || error == EMLINK || error == ENOTSUP ||
                                  error == EOPNOTSUPP || error == ENOSYS;
        if (!linksRefused) return error;
    }
    const int openFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (refuseLink ? O_NOFOLLOW : 0);
    const int error = ExclusiveCopy(::openat(from, sourceName.c_str(), openFlags), into, name, shown, copyFails);
    if (error == 0) TraceEntryChange("link", shown);
    return error;
}

}  // namespace

int PreserveCopy(const std::string& from, const std::string& to)
{
    const std::string target = Native(to);
    return PreserveCopyAt(AT_FDCWD, FinalLinkTarget(from), false, AT_FDCWD, target, target);
}

std::string ErrorText(int errorCode)
{
    const char* text = std::strerror(errorCode);
    if (text == nullptr) return std::string();
    char code[32];
    std::snprintf(code, sizeof code, " (0x%x)", static_cast<unsigned>(errorCode));
    return std::string(text) + code;
}

int LastErrorCode() { return errno; }

int PermissionDeniedCode() { return EACCES; }

int IsALinkCode() { return ELOOP; }

std::int64_t ThreadCpuMicroseconds()
{
    timespec used {};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used) != 0) return 0;
    return static_cast<std::int64_t>(used.tv_sec) * 1000000 + used.tv_nsec / 1000;
}

LocalTime Now()
{
    const std::time_t seconds = std::time(nullptr);
    std::tm parts {};
    ::localtime_r(&seconds, &parts);
    LocalTime now;
    now.year = parts.tm_year + 1900;
    now.month = parts.tm_mon + 1;
    now.day = parts.tm_mday;
    now.hour = parts.tm_hour;
    now.minute = parts.tm_min;
    now.second = parts.tm_sec;
    return now;
}

void ShareOneHeap()
{
#ifdef M_ARENA_MAX
    ::mallopt(M_ARENA_MAX, 1);
#endif
}

bool RunOnOwnStack(std::function<void()> work, std::size_t stackBytes, long budgetMilliseconds)
{
    auto job = std::make_shared<OwnStackJob>();
    job->work = std::move(work);
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return false;
    ::pthread_attr_setstacksize(&attributes, stackBytes);
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    auto* held = new std::shared_ptr<OwnStackJob>(job);
    pthread_t thread {};
    const int created = ::pthread_create(
        &thread, &attributes, [](void* self) -> void* { OwnStackJob::RunAndRelease(self); return nullptr; }, held);
    ::pthread_attr_destroy(&attributes);
    if (created != 0) {
        delete held;
        return false;
    }
    return job->WaitFor(budgetMilliseconds);
}

namespace {

// The mapped settings files, for the bus-error handler to tell their pages: a file
// shortened by another program while mapped raises SIGBUS at the first access past
// its new end. The handler maps zeros over the rest of that mapping, notes it, and the
// access is retried; the run then finds the note before it puts anything in place.
struct MappingWatch {
    std::atomic<std::uintptr_t> begin {0};
    std::atomic<std::uintptr_t> end {0};
    std::atomic<bool> shortened {false};
    bool claimed = false;
    int descriptor = -1;
    std::uint64_t sizeBytes = 0;
    struct timespec modified {};
};

constexpr int kWatchCount = 64;
MappingWatch g_watches[kWatchCount];
std::mutex g_watchesLock;
std::uintptr_t g_pageBytes = 4096;

void OnBusError(int, siginfo_t* info, void*)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (MappingWatch& watch : g_watches) {
        const std::uintptr_t begin = watch.begin.load();
        const std::uintptr_t end = watch.end.load();
        if (begin == 0 || address < begin || address >= end) continue;
        const std::uintptr_t page = address & ~(g_pageBytes - 1);
        void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros == MAP_FAILED) break;
        watch.shortened.store(true);
        return;
    }
    // No page of a mapped settings file: the retried access takes the default action.
    ::signal(SIGBUS, SIG_DFL);
}

void WatchBusErrors()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        const long pageBytes = ::sysconf(_SC_PAGESIZE);
        if (pageBytes > 0) g_pageBytes = static_cast<std::uintptr_t>(pageBytes);
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, nullptr);
    });
}

int ClaimWatch()
{
    const std::lock_guard<std::mutex> lock(g_watchesLock);
    for (int index = 0; index < kWatchCount; ++index) {
        if (!g_watches[index].claimed) {
            g_watches[index].claimed = true;
            g_watches[index].shortened.store(false);
            return index;
        }
    }
    return -1;
}

void ReleaseWatch(int index)
{
    const std::lock_guard<std::mutex> lock(g_watchesLock);
    g_watches[index].claimed = false;
}

}  // namespace

int MapOrReadToEnd(std::intptr_t handle, FileBytes& bytes)
{
    const int descriptor = static_cast<int>(handle);
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        static_cast<std::uint64_t>(info.st_size) > std::numeric_limits<std::size_t>::max() / 2) {
        return ReadToEnd(handle, bytes);
    }
    const int index = ClaimWatch();
    if (index < 0) return ReadToEnd(handle, bytes);
    WatchBusErrors();
    const auto sizeBytes = static_cast<std::size_t>(info.st_size);
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    // The pages the file has in memory are mapped at once, not one fault at a time.
    flags |= MAP_POPULATE;
#endif
    void* mapped = ::mmap(nullptr, sizeBytes, PROT_READ, flags, descriptor, 0);
    if (mapped == MAP_FAILED) {
        ReleaseWatch(index);
        return ReadToEnd(handle, bytes);
    }
    MappingWatch& watch = g_watches[index];
    watch.descriptor = descriptor;
    watch.sizeBytes = static_cast<std::uint64_t>(info.st_size);
    watch.modified = info.st_mtim;
    const auto begin = reinterpret_cast<std::uintptr_t>(mapped);
    watch.end.store(begin + (sizeBytes + g_pageBytes - 1) / g_pageBytes * g_pageBytes);
    watch.begin.store(begin);
    bytes.data = Block(static_cast<char*>(mapped), FreeBlock {sizeBytes, index});
    bytes.sizeBytes = sizeBytes;
    return 0;
}

bool StillAsMapped(const FileBytes& bytes)
{
    const FreeBlock& block = bytes.data.get_deleter();
    if (block.mappedBytes == 0) return true;
    const MappingWatch& watch = g_watches[block.watch];
    struct stat info {};
    return !watch.shortened.load() && ::fstat(watch.descriptor, &info) == 0 &&
           static_cast<std::uint64_t>(info.st_size) == watch.sizeBytes &&
           info.st_mtim.tv_sec == watch.modified.tv_sec && info.st_mtim.tv_nsec == watch.modified.tv_nsec;
}

void UnmapWatched(char* block, std::size_t mappedBytes, int index)
{
    MappingWatch& watch = g_watches[index];
    watch.begin.store(0);
    watch.end.store(0);
    ::munmap(block, mappedBytes);
    ::close(watch.descriptor);
    watch.descriptor = -1;
    ReleaseWatch(index);
}

bool ReadWholeFile(const std::string& path, FileBytes& bytes)
{
    bytes = FileBytes();
    const std::intptr_t file = OpenForReading(path);
    if (file < 0 || ReadToEnd(file, bytes) != 0 || bytes.sizeBytes == 0) {
        bytes = FileBytes();
        return false;
    }
    return true;
}

std::intptr_t OpenForReading(const std::string& path)
{
    // Non-blocking, so that a pipe is refused at once instead of waiting for a writer.
    const int descriptor = ::open(Native(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return -1;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        errno = EINVAL;
        return -1;
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    return descriptor;
}

std::uint64_t SizeHint(std::intptr_t handle)
{
    struct stat info {};
    if (::fstat(static_cast<int>(handle), &info) != 0 || info.st_size < 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

long ReadChunk(std::intptr_t handle, char* buffer, std::size_t sizeBytes)
{
    for (;;) {
        const ssize_t got = ::read(static_cast<int>(handle), buffer, sizeBytes);
        if (got < 0 && errno == EINTR) continue;
        return got < 0 ? -1 : static_cast<long>(got);
    }
}

void CloseReading(std::intptr_t handle)
{
    if (handle >= 0) ::close(static_cast<int>(handle));
}

std::string FinalLinkTarget(const std::string& path)
{
    std::string current = Native(path);
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (length < 0) return current;
        std::string target(buffer.data(), static_cast<std::size_t>(length));
        if (target.empty()) return current;
        if (target[0] != '/') {
            const std::size_t slash = current.find_last_of('/');
            if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        }
        current = target;
    }
    return current;
}

bool ExistsReadOnly(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::ReadOnlyTarget)) return true;
    const std::string native = Native(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) return false;
    return ::access(native.c_str(), W_OK) != 0;
}

bool CreateTempFileBeside(const std::string& targetPath, TempFile& tempFile)
{
    tempFile = TempFile();
    if (ConsumeInjectedFailure(WriteStep::Create)) return false;
    const std::string native = Native(targetPath);
    const std::size_t slash = native.find_last_of('/');
    const std::string directory = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    // The name carries the process id; the lock it carries while alive tells a later run
    // whether it is left over.
    std::string pattern = directory + "." + name + ".velmarch-" + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const std::lock_guard<std::mutex> guard(g_registryLock);
    const int descriptor = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (descriptor < 0) return false;
    tempFile.handle = descriptor;
    tempFile.path = buffer.data();
    NoteTemporaryLocked(tempFile.path, descriptor);
    return true;
}

bool WriteAll(const TempFile& tempFile, const char* data, std::size_t sizeBytes)
{
    if (ConsumeInjectedFailure(WriteStep::Write)) return false;
    return WriteFully(static_cast<int>(tempFile.handle), data, sizeBytes);
}

bool WriteAllRuns(const TempFile& tempFile, const std::string_view* runs, std::size_t count)
{
    if (ConsumeInjectedFailure(WriteStep::Write)) return false;
    return WriteRunsFully(static_cast<int>(tempFile.handle), runs, count);
}

bool FlushToDisk(const TempFile& tempFile)
{
    if (ConsumeInjectedFailure(WriteStep::Flush)) return false;
    return ::fsync(static_cast<int>(tempFile.handle)) == 0;
}

bool CloseFile(TempFile& tempFile)
{
    if (tempFile.handle < 0) return true;
    const int result = ::close(static_cast<int>(tempFile.handle));
    tempFile.handle = -1;
    if (ConsumeInjectedFailure(WriteStep::Close)) return false;
    return result == 0;
}

void TakeAttributes(const TempFile& tempFile, const std::vector<std::string>& sources)
{
    const int descriptor = static_cast<int>(tempFile.handle);
    for (const std::string& source : sources) {
        struct stat info {};
        if (::stat(Native(source).c_str(), &info) != 0) continue;
        // Owner first: changing it may clear set-id bits that the mode then restores.
        // Only a privileged process may give a file away; otherwise this fails harmlessly.
        if (::fchown(descriptor, info.st_uid, info.st_gid) != 0) {
            // The group alone may still be allowed (one of the user's own groups).
            (void)::fchown(descriptor, static_cast<uid_t>(-1), info.st_gid);
        }
        ::fchmod(descriptor, info.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
}

bool ReplaceWith(const std::string& tempPath, const std::string& targetPath)
{
    if (ConsumeInjectedFailure(WriteStep::Replace)) return false;
    bool replaced = false;
    {
        const std::lock_guard<std::mutex> guard(g_registryLock);
        replaced = ::rename(Native(tempPath).c_str(), Native(targetPath).c_str()) == 0;
    }
    if (replaced) {
        ForgetTemporary(Native(tempPath), true);
        TraceEntryChange("rename", Native(targetPath));
    }
    return replaced;
}

void RemoveFile(const std::string& path)
{
    {
        const std::lock_guard<std::mutex> guard(g_registryLock);
        ::unlink(Native(path).c_str());
    }
    ForgetTemporary(Native(path));
}

void InstallInterruptCleanup()
{
    // Once per process: a child made by fork has no thread but the one that forked.
    static std::mutex starting;
    static pid_t startedIn = 0;
    const sigset_t signals = InterruptSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
    const std::lock_guard<std::mutex> guard(starting);
    if (startedIn == ::getpid()) return;
    startedIn = ::getpid();
    std::thread(WaitForSignals).detach();
}

void DeferInterrupts(bool defer)
{
    const std::lock_guard<std::mutex> guard(g_registryLock);
    g_deferring = defer;
    if (!defer) g_pending = 0;
}

bool InterruptPending()
{
    const std::lock_guard<std::mutex> guard(g_registryLock);
    return g_pending != 0;
}

std::string RealPath(const std::string& path)
{
    const std::string native = Native(path);
    if (char* resolved = ::realpath(native.c_str(), nullptr)) {
        std::string real(resolved);
        std::free(resolved);
        return real;
    }
    const std::size_t slash = native.find_last_of('/');
    if (slash == std::string::npos || native.find_first_not_of('/') == std::string::npos) return native;
    const std::string folder = slash == 0 ? "/" : native.substr(0, slash);
    const std::string name = native.substr(slash + 1);
    const std::string realFolder = RealPath(folder);
    if (name.empty() || name == ".") return realFolder;
    if (name == "..") return DirectoryOf(realFolder);
    return realFolder + (realFolder.back() == '/' ? "" : "/") + name;
}

namespace {

// What the entry `name` in the folder `folder` (AT_FDCWD: a path) is, not following a link.
EntryFacts FactsAt(int folder, const char* name)
{
    EntryFacts facts;
    struct stat info {};
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return facts;
    facts.exists = true;
    facts.isRegularFile = S_ISREG(info.st_mode);
    facts.isDirectory = S_ISDIR(info.st_mode);
    facts.isLink = S_ISLNK(info.st_mode);
    facts.ownedByUserOrRoot = info.st_uid == ::geteuid() || info.st_uid == 0;
    facts.writableByOthers = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return facts;
}

}  // namespace

EntryFacts FactsOf(const std::string& path) { return FactsAt(AT_FDCWD, Native(path).c_str()); }

void KeepWritableByOwnerOnly(const std::string& path)
{
    struct stat info {};
    const std::string native = Native(path);
    if (::lstat(native.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return;
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) ::chmod(native.c_str(), info.st_mode & 07755);
}

int CreationError(const std::string& folder)
{
    return ::access(Native(folder).c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int RemovalError(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::RemoveCheck)) return EACCES;
    return CreationError(DirectoryOf(Native(path)));
}

LockAnswer TryLock(const std::string& path, std::intptr_t& handle)
{
    const std::string native = Native(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int descriptor = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) return LockAnswer::NotLockable;
        struct stat held {};
        if (::fstat(descriptor, &held) != 0 || !(S_ISREG(held.st_mode) || S_ISDIR(held.st_mode))) {
            ::close(descriptor);
            return LockAnswer::NotLockable;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            return error == EWOULDBLOCK ? LockAnswer::Busy : LockAnswer::NotLockable;
        }
        // Another run may have put a new file in the name's place meanwhile: lock that one.
        struct stat named {};
        if (::stat(native.c_str(), &named) == 0 && SameEntry(held, named)) {
            handle = descriptor;
            return LockAnswer::Taken;
        }
        ::close(descriptor);
    }
    return LockAnswer::Busy;
}

void Unlock(std::intptr_t handle)
{
    if (handle >= 0) ::close(static_cast<int>(handle));
}

bool RemoveIfAbandoned(const std::string& path)
{
    const std::string native = Native(path);
    const int descriptor = ::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    bool removed = false;
    struct stat held {};
    struct stat named {};
    if (::fstat(descriptor, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
        ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && ::lstat(native.c_str(), &named) == 0 &&
        SameEntry(held, named)) {
        removed = ::unlink(native.c_str()) == 0;
    }
    ::close(descriptor);
    return removed;
}

void ReleaseHeldLocks()
{
    const std::lock_guard<std::mutex> guard(g_registryLock);
    for (const int lock : g_heldLocks) ::close(lock);
    g_heldLocks.clear();
}

// Each folder on the way is opened from the one above it, none through a link; the
// descriptors need no permission to read the folders (O_PATH).
int HoldFolder(const std::string& folder, HeldFolder& held, bool wholeWay)
{
    ReleaseFolder(held);
    const std::string native = Native(folder);
    if (native.empty() || native[0] != '/') return EINVAL;
    int current = -1;
    if (!wholeWay) {
        current = ::open(native.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info {};
        if (current < 0 && ::lstat(native.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) return ELOOP;
        if (current < 0) return errno;
    } else {
        current = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (current < 0) return errno;
    }
    std::size_t start = wholeWay ? 1 : native.size();
    while (start < native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        const std::string part = native.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        int next = part == ".." ? -1 : ::openat(current, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int error = part == ".." ? ELOOP : errno;
        struct stat info {};
        if (next < 0 && ::fstatat(current, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
            error = ELOOP;
        }
        ::close(current);
        if (next < 0) return error;
        current = next;
    }
    struct stat info {};
    if (::fstat(current, &info) != 0) {
        const int error = errno;
        ::close(current);
        return error;
    }
    if ((info.st_uid != ::geteuid() && info.st_uid != 0) || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(current);
        return EACCES;
    }
    held.handle = current;
    held.path = native;
    return 0;
}

void ReleaseFolder(HeldFolder& held)
{
    if (held.handle >= 0) ::close(static_cast<int>(held.handle));
    held.handle = -1;
    held.path.clear();
}

EntryFacts FactsWithin(const HeldFolder& folder, const std::string& name)
{
    return FactsAt(static_cast<int>(folder.handle), name.c_str());
}

bool CreateTempFileIn(const HeldFolder& folder, const std::string& targetName, TempFile& tempFile)
{
    tempFile = TempFile();
    if (ConsumeInjectedFailure(WriteStep::Create)) return false;
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::atomic<unsigned> counter {0};
    const std::string stem = "." + targetName + ".velmarch-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Six letters of the shape mkstemp makes, from the time, a counter and the address space.
        std::uint64_t seed = static_cast<std::uint64_t>(std::time(nullptr)) * 1000003u + counter++ * 7919u +
                             reinterpret_cast<std::uintptr_t>(&tempFile);
        std::string name = stem;
        for (int letter = 0; letter < 6; ++letter, seed /= 62) name += kLetters[seed % 62];
        const std::lock_guard<std::mutex> guard(g_registryLock);
        const int descriptor = ::openat(static_cast<int>(folder.handle), name.c_str(),
                                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        tempFile.handle = descriptor;
        tempFile.folder = folder.handle;
        tempFile.name = name;
        tempFile.path = folder.path + "/" + name;
        NoteTemporaryLocked(tempFile.path, descriptor);
        return true;
    }
    errno = EEXIST;
    return false;
}

bool ReplaceWithin(const HeldFolder& folder, const std::string& tempName, const std::string& targetName)
{
    if (ConsumeInjectedFailure(WriteStep::Replace)) return false;
    const int handle = static_cast<int>(folder.handle);
    bool replaced = false;
    {
        const std::lock_guard<std::mutex> guard(g_registryLock);
        replaced = ::renameat(handle, tempName.c_str(), handle, targetName.c_str()) == 0;
    }
    if (replaced) {
        ForgetTemporary(folder.path + "/" + tempName, true);
        TraceEntryChange("rename", folder.path + "/" + targetName);
    }
    return replaced;
}

void RemoveFileWithin(const HeldFolder& folder, const std::string& name)
{
    {
        const std::lock_guard<std::mutex> guard(g_registryLock);
        ::unlinkat(static_cast<int>(folder.handle), name.c_str(), 0);
    }
    ForgetTemporary(folder.path + "/" + name);
}

bool RemoveEntryWithin(const HeldFolder& folder, const std::string& name)
{
    if (ConsumeInjectedFailure(WriteStep::Remove)) {
        errno = EACCES;
        return false;
    }
    if (::unlinkat(static_cast<int>(folder.handle), name.c_str(), 0) != 0) return false;
    TraceEntryChange("unlink", folder.path + "/" + name);
    return true;
}

int PreserveCopyInto(const HeldFolder* sourceFolder, const std::string& source, const HeldFolder& folder,
                     const std::string& name)
{
    const int from = sourceFolder != nullptr ? static_cast<int>(sourceFolder->handle) : AT_FDCWD;
    const std::string sourceName = sourceFolder != nullptr ? source : FinalLinkTarget(source);
    return PreserveCopyAt(from, sourceName, true, static_cast<int>(folder.handle), name, folder.path + "/" + name);
}

int MakeFolderWithin(const HeldFolder& parent, const std::string& name, HeldFolder& made)
{
    ReleaseFolder(made);
    const int within = static_cast<int>(parent.handle);
    const std::string shown = parent.path + "/" + name;
    struct stat info {};
    if (::fstatat(within, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (ConsumeInjectedFailure(WriteStep::FolderCreate)) return EACCES;
        const bool created = ::mkdirat(within, name.c_str(), 0777) == 0;
        if (!created && errno != EEXIST) return errno;
        if (created) TraceEntryChange("mkdir", shown);
    }
    const int opened = ::openat(within, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (opened < 0) {
        const int error = errno;
        return ::fstatat(within, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode) ? ELOOP : error;
    }
    made.handle = opened;
    made.path = shown;
    return 0;
}

void KeepWritableByOwnerOnlyWithin(const HeldFolder& folder, const std::string& name)
{
    const int within = static_cast<int>(folder.handle);
    struct stat info {};
    if (::fstatat(within, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(info.st_mode)) return;
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) ::fchmodat(within, name.c_str(), info.st_mode & 07755, 0);
}

bool RemoveEntry(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::Remove)) {
        errno = EACCES;
        return false;
    }
    if (::unlink(Native(path).c_str()) != 0) return false;
    TraceEntryChange("unlink", Native(path));
    return true;
}

void SyncDirectoryOf(const std::string& path)
{
    TraceEntryChange("sync", DirectoryOf(Native(path)));
    const int descriptor = ::open(DirectoryOf(Native(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
}

}  // namespace Platform
