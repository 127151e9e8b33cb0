#include "engine/WholeFile.h"

#include "platform/FileBytes.h"
#include "platform/Platform.h"
#include "text/Sha256.h"

#include <stdexcept>

namespace {

[[noreturn]] void ThrowWriteError(const std::string& path, int errorCode)
{
    throw std::runtime_error(WriteErrorText(path, errorCode));
}

}  // namespace

std::string WriteErrorText(const std::string& path, int errorCode)
{
    return "Unable to write file [" + path + "]" + Platform::ErrorSuffix(errorCode);
}

std::string StageWholeFile(const std::string& path, const std::string& text,
                           const std::vector<std::string>& attributeSources)
{
    Platform::TempFile temporary;
    const auto fail = [&](int errorCode) {
        if (temporary.handle >= 0) Platform::CloseFile(temporary);
        if (!temporary.path.empty()) Platform::RemoveFile(temporary.path);
        ThrowWriteError(path, errorCode);
    };
    if (!Platform::CreateTempFileBeside(path, temporary)) fail(Platform::LastErrorCode());
    Platform::TakeAttributes(temporary, attributeSources);
    if (!Platform::WriteAll(temporary, text.data(), text.size()) || !Platform::FlushToDisk(temporary)) {
        fail(Platform::LastErrorCode());
    }
    if (!Platform::CloseFile(temporary)) fail(Platform::LastErrorCode());
    return temporary.path;
}

void WriteWholeFile(const std::string& path, const std::string& text)
{
    const std::string temporary = StageWholeFile(path, text, {path});
    if (!Platform::ReplaceWith(temporary, path)) {
        const int errorCode = Platform::LastErrorCode();
        Platform::RemoveFile(temporary);
        ThrowWriteError(path, errorCode);
    }
    Platform::SyncDirectoryOf(path);
}

bool ReadWholeText(const std::string& path, std::string& text)
{
    const std::intptr_t file = Platform::OpenForReading(path);
    if (file < 0) return false;
    Platform::FileBytes bytes;
    if (Platform::ReadToEnd(file, bytes) != 0) return false;
    text.assign(bytes.data ? bytes.data.get() : "", bytes.sizeBytes);
    return true;
}

std::string FileSha256(const std::string& path, bool& exists)
{
    std::string bytes;
    exists = ReadWholeText(path, bytes);
    return exists ? Sha256Hex(bytes) : std::string();
}
