#include "platform/Platform.h"

#include "platform/FileBytes.h"
#include "text/LetterCase.h"
#include "platform/OwnStackThread.h"
#include "platform/WriteFaults.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <condition_variable>
#include <map>
#include <mutex>
#include <clocale>
#include <cstdio>
#include <vector>

namespace Platform {
namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Every path reaches the system with '/' turned into '\': the shell's path calls
// treat only '\' as a separator. A "\\server\share" prefix stays as it is.
std::string Native(const std::string& path)
{
    std::string native = path;
    for (char& byte : native) {
        if (byte == '/') byte = '\\';
    }
    return native;
}
// Names are UTF-8 inside the program and UTF-16 at every system call, converted here
// only. A text that is not UTF-8 (bytes from elsewhere) is taken as Windows-1251. No
// best-fit conversion is made anywhere: a name is its characters or nothing.
std::wstring ToUtf16(const std::string& text)
{
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    UINT page = CP_UTF8;
    int length = ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length == 0) {
        page = 1251;
        length = ::MultiByteToWideChar(page, 0, text.data(), size, nullptr, 0);
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(page, page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string ToUtf8(const wchar_t* text, std::size_t size)
{
    if (size == 0) return std::string();
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string ToUtf8(const std::wstring& text) { return ToUtf8(text.data(), text.size()); }

// A path for a file call: separators the system's, and an absolute name of MAX_PATH
// characters or more in the \\?\ form, which has no length limit.
std::wstring Wide(const std::string& path)
{
    std::wstring wide = ToUtf16(Native(path));
    if (wide.size() < MAX_PATH || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
    if (wide.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

// The \\?\ form the system may give back is not shown.
std::string FromSystemPath(const std::wstring& path)
{
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + ToUtf8(path.substr(8));
    if (path.rfind(L"\\\\?\\", 0) == 0) return ToUtf8(path.substr(4));
    return ToUtf8(path);
}

std::intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

bool WriteFully(HANDLE file, const char* data, std::size_t sizeBytes)
{
    while (sizeBytes > 0) {
        const DWORD portion = sizeBytes > 0x40000000 ? 0x40000000 : static_cast<DWORD>(sizeBytes);
        DWORD written = 0;
        if (!::WriteFile(file, data, portion, &written, nullptr) || written == 0) return false;
        data += written;
        sizeBytes -= written;
    }
    return true;
}

}  // namespace

namespace {

// The temporary files the process has made and not yet put in place or removed, each
// with a handle of its own that keeps it open (a clean-up by another run, which opens a
// file without sharing, sees it alive), for the console control handler, which runs on
// a thread of its own, to remove; and the handles of temporaries put in place.
std::mutex g_temporariesLock;
std::condition_variable g_commitEnded;
std::map<std::string, HANDLE> g_temporaries;
bool g_deferring = false;
bool g_pending = false;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

void NoteTemporary(const std::string& path)
{
    const HANDLE hold = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::lock_guard<std::mutex> lock(g_temporariesLock);
    g_temporaries[path] = hold;
}

// A file put in place is not held open: an open handle would keep a later step from
// replacing it (the record is written twice).
void ForgetTemporary(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(g_temporariesLock);
    const auto found = g_temporaries.find(path);
    if (found == g_temporaries.end()) return;
    if (found->second != INVALID_HANDLE_VALUE) ::CloseHandle(found->second);
    g_temporaries.erase(found);
}

// Ctrl-C and Ctrl-Break during the commit are noted; a console that closes (or a
// logoff or shutdown) ends the process once the handler returns, so the handler waits
// for the commit, the records and the status line first.
BOOL WINAPI OnControl(DWORD event)
{
    const bool closing = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && !closing) return FALSE;
    std::unique_lock<std::mutex> lock(g_temporariesLock);
    if (g_deferring) {
        g_pending = true;
        if (!closing) return TRUE;
        g_commitEnded.wait(lock, [] { return !g_deferring; });
        return TRUE;
    }
    for (const auto& [path, hold] : g_temporaries) {
        if (hold != INVALID_HANDLE_VALUE) ::CloseHandle(hold);
        ::DeleteFileW(Wide(path).c_str());
    }
    std::printf("\n[EXCEPTION] interrupted by a signal: files not yet put in place are as they were\nERROR:1");
    std::fflush(stdout);
    ::ExitProcess(1);
}

}  // namespace

void InstallInterruptCleanup() { ::SetConsoleCtrlHandler(OnControl, TRUE); }

void DeferInterrupts(bool defer)
{
    {
        const std::lock_guard<std::mutex> lock(g_temporariesLock);
        g_deferring = defer;
        if (!defer) g_pending = false;
    }
    if (!defer) g_commitEnded.notify_all();
}

bool InterruptPending()
{
    const std::lock_guard<std::mutex> lock(g_temporariesLock);
    return g_pending;
}

std::string RealPath(const std::string& path)
{
    const std::wstring wide = ToUtf16(Native(path));
    const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return Native(path);
    std::vector<wchar_t> buffer(length + 1);
    const DWORD written = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (written == 0 || written >= buffer.size()) return Native(path);
    return FromSystemPath(std::wstring(buffer.data(), written));
}

// Ownership and the write permission of others live in ACLs, which a new folder
// inherits from its parent; they are not examined here.
EntryFacts FactsOf(const std::string& path)
{
    EntryFacts facts;
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return facts;
    facts.exists = true;
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.isLink = link;
    facts.isDirectory = !link && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.isRegularFile = !link && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    facts.ownedByUserOrRoot = true;
    return facts;
}

void KeepWritableByOwnerOnly(const std::string&) {}

int CreationError(const std::string& folder)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return static_cast<int>(::GetLastError());
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ERROR_DIRECTORY;
}

int RemovalError(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::RemoveCheck)) return ERROR_ACCESS_DENIED;
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    return 0;
}

// A file's lock is a named mutex of the session, named after the file's identity: a
// handle held on the file itself would keep the commit from replacing it. A mutex left
// by a process that ended is taken over.
LockAnswer TryLock(const std::string& path, std::intptr_t& handle)
{
    const std::string identity = FileIdentity(path);
    std::uint64_t hash = 1469598103934665603ull;
    for (const char byte : identity) hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "Local\\velmarch-lock-%016llx", static_cast<unsigned long long>(hash));
    const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
    if (mutex == nullptr) return LockAnswer::NotLockable;
    const DWORD waited = ::WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        handle = FromHandle(mutex);
        return LockAnswer::Taken;
    }
    ::CloseHandle(mutex);
    return waited == WAIT_TIMEOUT ? LockAnswer::Busy : LockAnswer::NotLockable;
}

void Unlock(std::intptr_t handle)
{
    if (handle == -1 || handle == 0) return;
    ::ReleaseMutex(AsHandle(handle));
    ::CloseHandle(AsHandle(handle));
}

// A file that any process holds open cannot be opened without sharing.
bool RemoveIfAbandoned(const std::string& path)
{
    const HANDLE file = ::CreateFileW(Wide(path).c_str(), DELETE | GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
}

void ReleaseHeldLocks() {}

void SetUpProcess() { std::setlocale(LC_ALL, "rus"); }

const char* TextLineEnd() { return "\r\n"; }

bool NamesFromProgramFolder() { return true; }

std::vector<std::string> CommandLineArguments(int argumentCount, char** arguments)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(arguments, arguments + argumentCount);
    std::vector<std::string> converted;
    for (int index = 0; index < count; ++index) converted.push_back(ToUtf8(std::wstring(wide[index])));
    ::LocalFree(wide);
    return converted;
}

bool FileNamesAreUnicode() { return true; }

// A console reads right whatever its code page when written in UTF-16; a redirected
// output keeps the contract's Windows-1251 bytes.
ConsoleKind StandardOutputKind()
{
    DWORD mode = 0;
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != INVALID_HANDLE_VALUE && output != nullptr && ::GetConsoleMode(output, &mode)) {
        return ConsoleKind::WideConsole;
    }
    return ConsoleKind::Windows1251;
}

bool StandardOutputIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

bool InterfaceLanguageIsRussian() { return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_RUSSIAN; }

bool WriteConsoleUtf8(const std::string& text)
{
    if (text.empty()) return true;
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) return false;
    std::vector<wchar_t> wide(static_cast<std::size_t>(units));
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    std::fflush(stdout);
    DWORD written = 0;
    return ::WriteConsoleW(output, wide.data(), static_cast<DWORD>(units), &written, nullptr) != 0;
}

char PathSeparator() { return '\\'; }

// PathCombineW refuses results of MAX_PATH or more; the text rule then takes over.
bool SystemCombinePath(const std::string& directory, const std::string& name, std::string& combined)
{
    const std::wstring wideDirectory = ToUtf16(Native(directory));
    const std::wstring wideName = ToUtf16(Native(name));
    if (wideDirectory.size() >= MAX_PATH || wideName.size() >= MAX_PATH) return false;
    wchar_t buffer[MAX_PATH] = {};
    if (::PathCombineW(buffer, wideDirectory.c_str(), wideName.c_str()) == nullptr) return false;
    combined = ToUtf8(std::wstring(buffer));
    return true;
}

SystemAnswer SystemRelativePath(const std::string& fromDirectory, const std::string& toDirectory,
                                std::string& relative)
{
    const std::wstring from = ToUtf16(Native(fromDirectory));
    const std::wstring to = ToUtf16(Native(toDirectory));
    if (from.size() >= MAX_PATH || to.size() >= MAX_PATH) return SystemAnswer::NoCall;
    wchar_t buffer[MAX_PATH] = {};
    if (!::PathRelativePathToW(buffer, from.c_str(), FILE_ATTRIBUTE_DIRECTORY, to.c_str(), FILE_ATTRIBUTE_DIRECTORY)) {
        return SystemAnswer::None;
    }
    relative = ToUtf8(std::wstring(buffer));
    return SystemAnswer::Found;
}

std::string ExecutablePath()
{
    std::vector<wchar_t> buffer(512);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) return FromSystemPath(std::wstring(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string CurrentDirectory()
{
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    if (length == 0) return std::string();
    std::vector<wchar_t> buffer(length + 1);
    const DWORD written = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (written == 0 || written >= buffer.size()) return std::string();
    return FromSystemPath(std::wstring(buffer.data(), written));
}

EntryKind KindOf(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::Directory;
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? EntryKind::Other : EntryKind::File;
}

bool CreateOneDirectory(const std::string& path) { return ::CreateDirectoryW(Wide(path).c_str(), nullptr) != 0; }

int CreateDirectoryExclusive(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::FolderCreate)) return ERROR_ACCESS_DENIED;
    if (ConsumeInjectedFailure(WriteStep::FolderTaken)) return ERROR_ALREADY_EXISTS;
    if (::CreateDirectoryW(Wide(path).c_str(), nullptr)) return 0;
    const DWORD error = ::GetLastError();
    return error == 0 ? -1 : static_cast<int>(error);
}

bool IsExistsError(int errorCode) { return errorCode == ERROR_ALREADY_EXISTS || errorCode == ERROR_FILE_EXISTS; }

void RemoveEmptyDirectory(const std::string& path) { ::RemoveDirectoryW(Wide(path).c_str()); }

// An existing file is known by its volume's serial number and its file index; a name
// that names nothing by its full path, letter case ignored, as NTFS compares names.
std::string FileIdentity(const std::string& path)
{
    const std::string native = Native(path);
    const HANDLE file = ::CreateFileW(Wide(native).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION information {};
        const bool known = ::GetFileInformationByHandle(file, &information) != 0;
        ::CloseHandle(file);
        if (known) {
            return "file:" + std::to_string(information.dwVolumeSerialNumber) + ":" +
                   std::to_string((static_cast<unsigned long long>(information.nFileIndexHigh) << 32) |
                                  information.nFileIndexLow);
        }
    }
    return "path:" + LetterCase::LowerText(RealPath(native));
}

bool ListEntries(const std::string& directory, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    WIN32_FIND_DATAW found {};
    const HANDLE search = ::FindFirstFileW(Wide(Native(directory) + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        DirectoryEntry entry;
        entry.name = ToUtf8(std::wstring(found.cFileName));
        entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return true;
}

// Not a hard link: ReplaceFileA may keep the replaced file's identity, and a link
// would then see the new bytes.
int PreserveCopy(const std::string& from, const std::string& to)
{
    const std::string target = Native(to);
    if (ConsumeInjectedFailure(WriteStep::Link) || ConsumeInjectedFailure(WriteStep::Copy)) {
        return ERROR_WRITE_FAULT;
    }
    // The copy is made whole under a temporary name, then moved to its own name without
    // replacing anything there: a kill never leaves a partial file under that name.
    const std::string temporary = target + ".velmarch-" + std::to_string(::GetCurrentProcessId()) + "-copy";
    ::DeleteFileW(Wide(temporary).c_str());
    if (::GetFileAttributesW(Wide(target).c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_FILE_EXISTS;
    NoteTemporary(temporary);
    struct Forget {
        const std::string& path;
        ~Forget() { ForgetTemporary(path); }
    } forget {temporary};
    if (!::CopyFileW(Wide(from).c_str(), Wide(temporary).c_str(), TRUE)) {
        const DWORD error = ::GetLastError();
        return error == 0 ? -1 : static_cast<int>(error);
    }
    const HANDLE copy = ::CreateFileW(Wide(temporary).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = 0;
    if (copy == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
    } else {
        if (!::FlushFileBuffers(copy)) error = ::GetLastError();
        ::CloseHandle(copy);
    }
    if (error == 0 && !::MoveFileExW(Wide(temporary).c_str(), Wide(target).c_str(), MOVEFILE_WRITE_THROUGH)) error = ::GetLastError();
    if (error == 0) return 0;
    ::DeleteFileW(Wide(temporary).c_str());
    return static_cast<int>(error);
}

// The system's message without its line break, then " (0x<code>)". Inserts in the
// message are left as written: without them a message with %1 would read garbage.
std::string ErrorText(int errorCode)
{
    wchar_t* message = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = ::FormatMessageW(flags, nullptr, static_cast<DWORD>(errorCode), 0,
                                          reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text;
    if (length != 0 && message != nullptr) {
        std::wstring wide(message, length);
        while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r')) wide.pop_back();
        char code[32];
        std::snprintf(code, sizeof code, " (0x%x)", static_cast<unsigned>(errorCode));
        text = ToUtf8(wide) + code;
    }
    if (message != nullptr) ::LocalFree(message);
    return text;
}

int LastErrorCode() { return static_cast<int>(::GetLastError()); }

int PermissionDeniedCode() { return ERROR_ACCESS_DENIED; }

int IsALinkCode() { return ERROR_CANT_RESOLVE_FILENAME; }

std::int64_t ThreadCpuMicroseconds()
{
    FILETIME created {}, exited {}, kernel {}, user {};
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10;  // 100 ns units
}

LocalTime Now()
{
    SYSTEMTIME time {};
    ::GetLocalTime(&time);
    LocalTime now;
    now.year = time.wYear;
    now.month = time.wMonth;
    now.day = time.wDay;
    now.hour = time.wHour;
    now.minute = time.wMinute;
    now.second = time.wSecond;
    return now;
}

// The process heap is shared by every thread already.
void ShareOneHeap() {}

bool RunOnOwnStack(std::function<void()> work, std::size_t stackBytes, long budgetMilliseconds)
{
    auto job = std::make_shared<OwnStackJob>();
    job->work = std::move(work);
    auto* held = new std::shared_ptr<OwnStackJob>(job);
    const HANDLE thread = ::CreateThread(
        nullptr, stackBytes,
        [](LPVOID self) -> DWORD {
            OwnStackJob::RunAndRelease(self);
            return 0;
        },
        held, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) {
        delete held;
        return false;
    }
    const bool finished = job->WaitFor(budgetMilliseconds);
    // A run waited for without a budget is let end before the process does: a process
    // that exits while its other thread is still ending was seen killed under Wine.
    if (budgetMilliseconds < 0) ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    return finished;
}

// Settings files are read: a file another program shortens meanwhile then gives a
// short read, never a fault.
int MapOrReadToEnd(std::intptr_t handle, FileBytes& bytes) { return ReadToEnd(handle, bytes); }

bool StillAsMapped(const FileBytes&) { return true; }

void UnmapWatched(char* block, std::size_t, int) { delete[] block; }

// Others may read the scheme meanwhile but not write it.
bool ReadWholeFile(const std::string& path, FileBytes& bytes)
{
    bytes = FileBytes();
    const HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return false;
    }
    if (ReadToEnd(FromHandle(file), bytes) != 0 || bytes.sizeBytes == 0) {
        bytes = FileBytes();
        return false;
    }
    return true;
}

std::intptr_t OpenForReading(const std::string& path)
{
    const HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    // Only a file on disk: a pipe or a device would block or never end.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return FromHandle(file);
}

std::uint64_t SizeHint(std::intptr_t handle)
{
    LARGE_INTEGER size {};
    if (!::GetFileSizeEx(AsHandle(handle), &size) || size.QuadPart < 0) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

long ReadChunk(std::intptr_t handle, char* buffer, std::size_t sizeBytes)
{
    DWORD got = 0;
    const DWORD wanted = sizeBytes > 0x40000000 ? 0x40000000 : static_cast<DWORD>(sizeBytes);
    if (!::ReadFile(AsHandle(handle), buffer, wanted, &got, nullptr)) return -1;
    return static_cast<long>(got);
}

void CloseReading(std::intptr_t handle)
{
    if (handle != -1) ::CloseHandle(AsHandle(handle));
}

// Links are rare on Windows and ReplaceFileA replaces a link itself; the path is used as
// given.
std::string FinalLinkTarget(const std::string& path) { return Native(path); }

bool ExistsReadOnly(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::ReadOnlyTarget)) return true;
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool CreateTempFileBeside(const std::string& targetPath, TempFile& tempFile)
{
    tempFile = TempFile();
    if (ConsumeInjectedFailure(WriteStep::Create)) return false;
    static std::atomic<unsigned> counter {0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = Native(targetPath) + ".velmarch-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(counter++) + ".tmp";
        const HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            tempFile.handle = FromHandle(file);
            tempFile.path = path;
            NoteTemporary(path);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

bool WriteAll(const TempFile& tempFile, const char* data, std::size_t sizeBytes)
{
    if (ConsumeInjectedFailure(WriteStep::Write)) return false;
    return WriteFully(AsHandle(tempFile.handle), data, sizeBytes);
}

bool WriteAllRuns(const TempFile& tempFile, const std::string_view* runs, std::size_t count)
{
    if (ConsumeInjectedFailure(WriteStep::Write)) return false;
    for (std::size_t index = 0; index < count; ++index) {
        if (!WriteFully(AsHandle(tempFile.handle), runs[index].data(), runs[index].size())) return false;
    }
    return true;
}

bool FlushToDisk(const TempFile& tempFile)
{
    if (ConsumeInjectedFailure(WriteStep::Flush)) return false;
    return ::FlushFileBuffers(AsHandle(tempFile.handle)) != 0;
}

bool CloseFile(TempFile& tempFile)
{
    if (tempFile.handle == -1) return true;
    const bool closed = ::CloseHandle(AsHandle(tempFile.handle)) != 0;
    tempFile.handle = -1;
    if (ConsumeInjectedFailure(WriteStep::Close)) return false;
    return closed;
}

// A new file takes the folder's inherited security; a replaced file's attributes and
// ACL are kept by ReplaceFileA at the commit.
void TakeAttributes(const TempFile&, const std::vector<std::string>&) {}

bool ReplaceWith(const std::string& tempPath, const std::string& targetPath)
{
    if (ConsumeInjectedFailure(WriteStep::Replace)) return false;
    const std::string temp = Native(tempPath);
    const std::string target = Native(targetPath);
    if (::GetFileAttributesW(Wide(target).c_str()) != INVALID_FILE_ATTRIBUTES &&
        ::ReplaceFileW(Wide(target).c_str(), Wide(temp).c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        ForgetTemporary(temp);
        return true;
    }
    if (::MoveFileExW(Wide(temp).c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) return false;
    ForgetTemporary(temp);
    return true;
}

void RemoveFile(const std::string& path)
{
    ForgetTemporary(Native(path));
    ::DeleteFileW(Wide(path).c_str());
}

bool RemoveEntry(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::Remove)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return ::DeleteFileW(Wide(path).c_str()) != 0;
}

// MOVEFILE_WRITE_THROUGH already waits for the rename to reach the disk.
void SyncDirectoryOf(const std::string&) {}

namespace {

// A folder opened without following a reparse point and without delete sharing: while
// the handle lives, no one can rename, remove or replace it.
int OpenFolderHeld(const std::string& path, std::intptr_t& handle)
{
    const HANDLE folder = ::CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr);
    if (folder == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    BY_HANDLE_FILE_INFORMATION information {};
    int error = 0;
    if (!::GetFileInformationByHandle(folder, &information)) {
        error = static_cast<int>(::GetLastError());
    } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        error = IsALinkCode();
    } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        error = ERROR_DIRECTORY;
    }
    if (error != 0) {
        ::CloseHandle(folder);
        return error;
    }
    handle = FromHandle(folder);
    return 0;
}

std::string Within(const HeldFolder& folder, const std::string& name) { return folder.path + "\\" + name; }

}  // namespace

int HoldFolder(const std::string& folder, HeldFolder& held, bool wholeWay)
{
    ReleaseFolder(held);
    const std::string native = Native(folder);
    if (!wholeWay) {
        std::intptr_t handle = -1;
        if (const int error = OpenFolderHeld(native, handle)) return error;
        held.handle = handle;
        held.path = native;
        return 0;
    }
    // Each folder on the way from the drive's root (or the share) down; the root itself
    // cannot be replaced.
    std::size_t next = native.rfind("\\\\", 0) == 0 ? native.find('\\', native.find('\\', 2) + 1)
                                                  : native.find('\\');
    while (next != std::string::npos && next + 1 < native.size()) {
        next = native.find('\\', next + 1);
        const std::string step = native.substr(0, next);
        std::intptr_t handle = -1;
        if (const int error = OpenFolderHeld(step, handle)) {
            ReleaseFolder(held);
            return error;
        }
        if (next == std::string::npos) {
            held.handle = handle;
        } else {
            held.above.push_back(handle);
        }
    }
    if (held.handle == -1) {
        ReleaseFolder(held);
        return ERROR_BAD_PATHNAME;
    }
    held.path = native;
    return 0;
}

void ReleaseFolder(HeldFolder& held)
{
    if (held.handle != -1) ::CloseHandle(AsHandle(held.handle));
    for (const std::intptr_t handle : held.above) ::CloseHandle(AsHandle(handle));
    held = HeldFolder();
}

EntryFacts FactsWithin(const HeldFolder& folder, const std::string& name) { return FactsOf(Within(folder, name)); }

bool CreateTempFileIn(const HeldFolder& folder, const std::string& targetName, TempFile& tempFile)
{
    if (!CreateTempFileBeside(Within(folder, targetName), tempFile)) return false;
    tempFile.folder = folder.handle;
    tempFile.name = tempFile.path.substr(folder.path.size() + 1);
    return true;
}

bool ReplaceWithin(const HeldFolder& folder, const std::string& tempName, const std::string& targetName)
{
    if (FactsOf(Within(folder, targetName)).isLink) {
        ::SetLastError(static_cast<DWORD>(IsALinkCode()));
        return false;
    }
    return ReplaceWith(Within(folder, tempName), Within(folder, targetName));
}

void RemoveFileWithin(const HeldFolder& folder, const std::string& name) { RemoveFile(Within(folder, name)); }

bool RemoveEntryWithin(const HeldFolder& folder, const std::string& name)
{
    return RemoveEntry(Within(folder, name));
}

int PreserveCopyInto(const HeldFolder* sourceFolder, const std::string& source, const HeldFolder& folder,
                     const std::string& name)
{
    const std::string from = sourceFolder != nullptr ? Within(*sourceFolder, source) : source;
    if (sourceFolder != nullptr && FactsOf(from).isLink) return IsALinkCode();
    return PreserveCopy(from, Within(folder, name));
}

int MakeFolderWithin(const HeldFolder& parent, const std::string& name, HeldFolder& made)
{
    ReleaseFolder(made);
    const std::string path = Within(parent, name);
    if (KindOf(path) == EntryKind::Missing) {
        const int error = CreateDirectoryExclusive(path);
        if (error != 0 && !IsExistsError(error)) return error;
    }
    std::intptr_t handle = -1;
    if (const int error = OpenFolderHeld(path, handle)) return error;
    made.handle = handle;
    made.path = path;
    return 0;
}

void KeepWritableByOwnerOnlyWithin(const HeldFolder&, const std::string&) {}

}  // namespace Platform
