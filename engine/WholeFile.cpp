#include "engine/WholeFile.h"

#include "console/Console.h"
#include "engine/StagedWrite.h"

#include "platform/FileBytes.h"
#include "platform/Paths.h"
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
    return "Unable to write file [" + Console::ShownName(path) + "]" + Platform::ErrorSuffix(errorCode);
}

CTemporaryFile StageWholeFile(const std::string& path, const std::string& text,
                              const std::vector<std::string>& attributeSources,
                              std::shared_ptr<const Platform::HeldFolder> folder)
{
    CStagedWrite write;
    CTemporaryFile staged;
    const bool begun = folder ? write.Begin(std::move(folder), FileNamePart(path)) : write.Begin(path);
    if (!begun || !write.Write(text) || !write.Finish(attributeSources, staged)) {
        ThrowWriteError(path, write.ErrorCode());
    }
    return staged;
}

void WriteWholeFile(const std::string& path, const std::string& text,
                    std::shared_ptr<const Platform::HeldFolder> folder)
{
    CTemporaryFile staged = StageWholeFile(path, text, {path}, std::move(folder));
    if (!staged.PutInPlace(path)) ThrowWriteError(path, Platform::LastErrorCode());
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
