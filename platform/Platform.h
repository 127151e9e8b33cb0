#pragma once

// The thin layer between the program and the operating system. Every call into the
// system goes through here; the rest of the program sees plain byte-string paths and
// never a system type. Platform_posix.cpp and Platform_win32.cpp implement it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// Sets the process locale the build needs at start (Windows: Russian, code page 1251).
// Names are never folded through it: the program's own Windows-1251 table does that.
void SetUpLocale();

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

// Full path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();

// The process's current directory; empty when it cannot be read.
std::string CurrentDirectory();

enum class EntryKind { Missing, File, Directory };

// What a path names, following symbolic links.
EntryKind KindOf(const std::string& path);

// Creates one directory level; false when it exists or its parent is missing.
bool CreateOneDirectory(const std::string& path);

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;
};

// Every entry of a directory in the order the build lists folders in ("." and ".."
// included where the system reports them); false when it cannot be enumerated.
bool ListEntries(const std::string& directory, std::vector<DirectoryEntry>& entries);

// Moves a file, replacing an existing target and copying across volumes.
// Returns 0 on success, otherwise the system's error code of the failure.
int MoveReplacing(const std::string& from, const std::string& to);

// The system's text for an error code, formatted as "<text> (0x<hex code>)",
// or the empty text when the system has no text for it.
std::string ErrorText(int errorCode);

// The last error code the system recorded for this thread.
int LastErrorCode();

struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime Now();

// A whole file seen as one read-only block. `handle` fields are opaque to callers.
struct FileView {
    const char* data = nullptr;
    std::uint64_t sizeBytes = 0;
    std::intptr_t fileHandle = -1;
    std::intptr_t mappingHandle = -1;
    void* view = nullptr;
};

// Opens an existing file for reading (others may read it but not write it where the
// system enforces that) and maps it whole. False, with nothing held, on any failure,
// a zero-length file included.
bool MapWholeFile(const std::string& path, FileView& fileView);

// Releases whatever MapWholeFile left held; safe on a view that holds nothing.
void UnmapWholeFile(FileView& fileView);

// Reading a file front to back in chunks. Open gives -1 when the file cannot be opened
// for reading (a folder included); Read gives the count of bytes read, 0 at the end
// and -1 on a read error.
std::intptr_t OpenForReading(const std::string& path);
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
};

bool CreateTempFileBeside(const std::string& targetPath, TempFile& tempFile);
bool WriteAll(const TempFile& tempFile, const char* data, std::size_t sizeBytes);
bool FlushToDisk(const TempFile& tempFile);
bool CloseFile(TempFile& tempFile);
// Gives the temporary file the permission bits of `targetPath` when it exists, else
// those a newly created file would get.
void TakePermissions(const TempFile& tempFile, const std::string& targetPath);
bool ReplaceWith(const std::string& tempPath, const std::string& targetPath);
void RemoveFile(const std::string& path);
void SyncDirectoryOf(const std::string& path);

// Test seam: makes one step of the next replacing write fail as the system would.
enum class WriteStep { None, Create, ReadOnlyTarget, Write, Flush, Close, Replace };
void FailNextWriteStepForTesting(WriteStep step);

}  // namespace Platform
