#include "run/WholeFile.h"

#include "platform/FileBytes.h"
#include "platform/Platform.h"

#include <stdexcept>

void WriteWholeFile(const std::string& path, const std::string& text)
{
    Platform::TempFile temporary;
    const auto fail = [&](int errorCode) {
        if (temporary.handle >= 0) Platform::CloseFile(temporary);
        if (!temporary.path.empty()) Platform::RemoveFile(temporary.path);
        throw std::runtime_error("Unable to write file [" + path + "].Error is [" + std::to_string(errorCode) + "][" +
                                 Platform::ErrorText(errorCode) + "]");
    };
    if (!Platform::CreateTempFileBeside(path, temporary)) fail(Platform::LastErrorCode());
    Platform::TakeAttributes(temporary, {path});
    if (!Platform::WriteAll(temporary, text.data(), text.size()) || !Platform::FlushToDisk(temporary)) {
        fail(Platform::LastErrorCode());
    }
    if (!Platform::CloseFile(temporary)) fail(Platform::LastErrorCode());
    if (!Platform::ReplaceWith(temporary.path, path)) fail(Platform::LastErrorCode());
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
