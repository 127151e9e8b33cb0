#include "engine/StagedWrite.h"

std::shared_ptr<Platform::HeldFolder> NewHeldFolder()
{
    return std::shared_ptr<Platform::HeldFolder>(new Platform::HeldFolder(), [](Platform::HeldFolder* held) {
        Platform::ReleaseFolder(*held);
        delete held;
    });
}

CStagedWrite::~CStagedWrite()
{
    if (m_file.handle >= 0) Platform::CloseFile(m_file);
    // Whatever was made goes as an unplaced staged file goes.
    if (!m_file.path.empty()) CTemporaryFile(m_file.path, m_folder, m_file.name).Discard();
}

bool CStagedWrite::Failed()
{
    m_errorCode = Platform::LastErrorCode();
    return false;
}

bool CStagedWrite::Begin(const std::string& target)
{
    return Platform::CreateTempFileBeside(target, m_file) || Failed();
}

bool CStagedWrite::Begin(std::shared_ptr<const Platform::HeldFolder> folder, const std::string& targetName)
{
    m_folder = std::move(folder);
    return Platform::CreateTempFileIn(*m_folder, targetName, m_file) || Failed();
}

bool CStagedWrite::Write(std::string_view bytes)
{
    return Platform::WriteAll(m_file, bytes.data(), bytes.size()) || Failed();
}

bool CStagedWrite::Write(const std::vector<std::string_view>& runs)
{
    return Platform::WriteAllRuns(m_file, runs.data(), runs.size()) || Failed();
}

bool CStagedWrite::Finish(const std::vector<std::string>& attributeSources, CTemporaryFile& staged)
{
    Platform::TakeAttributes(m_file, attributeSources);
    if (!Platform::FlushToDisk(m_file)) return Failed();
    const bool closed = Platform::CloseFile(m_file);
    m_file.handle = -1;
    if (!closed) return Failed();
    staged = CTemporaryFile(m_file.path, m_folder, m_file.name);
    m_file.path.clear();
    return true;
}
