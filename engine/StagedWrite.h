#pragma once

// The one way the program writes a file safely: the new bytes go to a temporary beside
// the target (made exclusively, registered so that a signal removes it, locked while it
// lives), take the attributes of the file they will replace, reach the disk and are
// closed; only then does the caller put them in place (CTemporaryFile::PutInPlace:
// rename, then the folder flushed). A settings file, the run's record, the report and a
// restore's bytes are all written this way. Each step says whether it worked; the
// system's error code of the one that failed is kept, and whatever was made is removed
// on every way out but a finished one.

#include "engine/TemporaryFile.h"
#include "platform/Platform.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// An empty held folder, shared by the files written in it and let go (its handles
// closed) with the last of them: fill it with Platform::HoldFolder or MakeFolderWithin.
std::shared_ptr<Platform::HeldFolder> NewHeldFolder();

class CStagedWrite {
public:
    CStagedWrite() = default;
    ~CStagedWrite();
    CStagedWrite(const CStagedWrite&) = delete;
    CStagedWrite& operator=(const CStagedWrite&) = delete;

    // Makes the temporary beside `target` (a real path: links resolved by the caller).
    bool Begin(const std::string& target);
    // Makes it in a held folder, beside the file `targetName` there.
    bool Begin(std::shared_ptr<const Platform::HeldFolder> folder, const std::string& targetName);
    bool Write(std::string_view bytes);
    // The runs one after another.
    bool Write(const std::vector<std::string_view>& runs);
    // Takes the attributes of the first of `attributeSources` that exists, flushes to
    // disk and closes; the staged bytes are then `staged`'s, to put in place.
    bool Finish(const std::vector<std::string>& attributeSources, CTemporaryFile& staged);

    // The system's error code of the step that failed.
    int ErrorCode() const { return m_errorCode; }

private:
    bool Failed();
    Platform::TempFile m_file;
    std::shared_ptr<const Platform::HeldFolder> m_folder;
    int m_errorCode = 0;
};
