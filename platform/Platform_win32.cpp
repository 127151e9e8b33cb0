#include "platform/Platform.h"

#include "platform/WriteFaults.h"

#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <vector>

namespace Platform {
namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
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

void SetUpLocale() { std::setlocale(LC_ALL, "rus"); }

const char* TextLineEnd() { return "\r\n"; }

char PathSeparator() { return '\\'; }

// PathCombineA refuses results of MAX_PATH or more; the text rule then takes over.
bool SystemCombinePath(const std::string& directory, const std::string& name, std::string& combined)
{
    char buffer[MAX_PATH] = {};
    if (::PathCombineA(buffer, directory.c_str(), name.c_str()) == nullptr) return false;
    combined = buffer;
    return true;
}

SystemAnswer SystemRelativePath(const std::string& fromDirectory, const std::string& toDirectory,
                                std::string& relative)
{
    char buffer[MAX_PATH] = {};
    if (!::PathRelativePathToA(buffer, fromDirectory.c_str(), FILE_ATTRIBUTE_DIRECTORY, toDirectory.c_str(),
                               FILE_ATTRIBUTE_DIRECTORY)) {
        return SystemAnswer::None;
    }
    relative = buffer;
    return SystemAnswer::Found;
}

std::string ExecutablePath()
{
    std::vector<char> buffer(512);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string CurrentDirectory()
{
    const DWORD length = ::GetCurrentDirectoryA(0, nullptr);
    if (length == 0) return std::string();
    std::vector<char> buffer(length + 1);
    const DWORD written = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (written == 0 || written >= buffer.size()) return std::string();
    return std::string(buffer.data(), written);
}

EntryKind KindOf(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Directory : EntryKind::File;
}

bool CreateOneDirectory(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool ListEntries(const std::string& directory, std::vector<DirectoryEntry>& entries)
{
    entries.clear();
    WIN32_FIND_DATAA found {};
    const HANDLE search = ::FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        DirectoryEntry entry;
        entry.name = found.cFileName;
        entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back(std::move(entry));
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return true;
}

int MoveReplacing(const std::string& from, const std::string& to)
{
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return 0;
    const DWORD error = ::GetLastError();
    return error == 0 ? -1 : static_cast<int>(error);
}

// The system's message without its line break, then " (0x<code>)". Inserts in the
// message are left as written: without them a message with %1 would read garbage.
std::string ErrorText(int errorCode)
{
    char* message = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = ::FormatMessageA(flags, nullptr, static_cast<DWORD>(errorCode), 0,
                                          reinterpret_cast<char*>(&message), 0, nullptr);
    std::string text;
    if (length != 0 && message != nullptr) {
        const int messageLength = ::lstrlenA(message);
        if (messageLength >= 2 && messageLength + 14 <= 1023) {
            char formatted[1024];
            message[messageLength - 2] = '\0';
            std::snprintf(formatted, sizeof formatted, "%s (0x%x)", message, static_cast<unsigned>(errorCode));
            text = formatted;
        }
    }
    if (message != nullptr) ::LocalFree(message);
    return text;
}

int LastErrorCode() { return static_cast<int>(::GetLastError()); }

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

bool MapWholeFile(const std::string& path, FileView& fileView)
{
    fileView = FileView();
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD sizeHigh = 0;
    const DWORD sizeLow = ::GetFileSize(file, &sizeHigh);
    // A file of 4 GiB or more is refused: the buffer's size is a 32-bit count.
    if ((sizeLow == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) || sizeHigh != 0 || sizeLow == 0) {
        ::CloseHandle(file);
        return false;
    }
    const HANDLE mapping = ::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) {
        ::CloseHandle(file);
        return false;
    }
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) {
        ::CloseHandle(mapping);
        ::CloseHandle(file);
        return false;
    }
    fileView.data = static_cast<const char*>(view);
    fileView.sizeBytes = sizeLow;
    fileView.fileHandle = FromHandle(file);
    fileView.mappingHandle = FromHandle(mapping);
    fileView.view = view;
    return true;
}

void UnmapWholeFile(FileView& fileView)
{
    if (fileView.view != nullptr) ::UnmapViewOfFile(fileView.view);
    if (fileView.mappingHandle != -1) ::CloseHandle(AsHandle(fileView.mappingHandle));
    if (fileView.fileHandle != -1) ::CloseHandle(AsHandle(fileView.fileHandle));
    fileView = FileView();
}

std::intptr_t OpenForReading(const std::string& path)
{
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : FromHandle(file);
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

// Links are rare on Windows and MoveFileEx replaces a link itself; the path is used as
// given.
std::string FinalLinkTarget(const std::string& path) { return path; }

bool ExistsReadOnly(const std::string& path)
{
    if (ConsumeInjectedFailure(WriteStep::ReadOnlyTarget)) return true;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool CreateTempFileBeside(const std::string& targetPath, TempFile& tempFile)
{
    tempFile = TempFile();
    if (ConsumeInjectedFailure(WriteStep::Create)) return false;
    static std::atomic<unsigned> counter {0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = targetPath + ".velmarch-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(counter++) + ".tmp";
        const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            tempFile.handle = FromHandle(file);
            tempFile.path = path;
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

// A new file takes the folder's inherited security, as the replaced one had.
void TakePermissions(const TempFile&, const std::string&) {}

bool ReplaceWith(const std::string& tempPath, const std::string& targetPath)
{
    if (ConsumeInjectedFailure(WriteStep::Replace)) return false;
    return ::MoveFileExA(tempPath.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveFile(const std::string& path) { ::DeleteFileA(path.c_str()); }

// MOVEFILE_WRITE_THROUGH already waits for the rename to reach the disk.
void SyncDirectoryOf(const std::string&) {}

}  // namespace Platform
