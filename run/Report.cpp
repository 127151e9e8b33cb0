#include "run/Report.h"

#include "engine/WholeFile.h"
#include "text/Json.h"
#include "text/TextEncoding.h"

#include <stdexcept>

namespace {

// A text of the program's (Windows-1251, or UTF-8 where it holds a UTF-8 name) in UTF-8.
CJson Utf8(const std::string& text)
{
    if (Encoding::ClassifyUtf8(text) != Encoding::Utf8Form::IllFormed) return CJson(text);
    return CJson(Encoding::ForDisplay(text, TextEncoding::Windows1251, TextEncoding::Utf8));
}

// File names are bytes: shown as UTF-8, each byte that is not as U+FFFD, with the bytes
// beside in "<key>_hex".
void SetName(CJson& object, const std::string& key, const std::string& name, bool emptyIsNull = true)
{
    if (name.empty() && emptyIsNull) {
        object.Set(key, CJson());
    } else {
        object.SetName(key, name);
    }
}

}  // namespace

std::string CRunReport::ToText() const
{
    CJson document = CJson::Object();
    SetName(document, "scheme", scheme);
    document.Set("scheme_id", schemeId.empty() ? CJson() : CJson(schemeId));
    document.Set("mode", mode);
    document.Set("outcome", failed ? "failed" : "ok");
    document.Set("error", failed ? Utf8(error) : CJson());
    CJson folders = CJson::Array();
    CJson foldersHex = CJson::Array();
    for (const std::string& folder : backupFolders) {
        // A name's bytes in hex, as SetName puts them beside a single name.
        CJson holder = CJson::Object();
        holder.SetName("name", folder);
        folders.Push(*holder.Find("name"));
        const CJson* hex = holder.Find("name_hex");
        foldersHex.Push(hex != nullptr ? *hex : CJson());
    }
    document.Set("backup_folders", folders);
    document.Set("backup_folders_hex", foldersHex);
    CJson entries = CJson::Array();
    for (const ReportRecord& record : records) {
        CJson entry = CJson::Object();
        SetName(entry, "input", record.input, false);
        SetName(entry, "output", record.output, false);
        SetName(entry, "backup", record.backup);
        entry.Set("status", record.status);
        if (!record.convertedBy.empty()) SetName(entry, "converted_by", record.convertedBy);
        CJson warnings = CJson::Array();
        for (const std::string& warning : record.warnings) warnings.Push(Utf8(warning));
        entry.Set("warnings", warnings);
        entries.Push(entry);
    }
    document.Set("records", entries);
    CJson findingList = CJson::Array();
    for (const LintFinding& finding : findings) {
        CJson item = CJson::Object();
        item.Set("line", static_cast<std::int64_t>(finding.line));
        item.Set("text", Utf8(finding.text));
        findingList.Push(item);
    }
    document.Set("findings", findingList);
    return document.Dump();
}

CReportFile::CReportFile(std::string path) : m_path(std::move(path))
{
    if (!m_write.Begin(m_path)) throw std::runtime_error(WriteErrorText(m_path, m_write.ErrorCode()));
}

CReportFile::~CReportFile() = default;

void CReportFile::Write(const CRunReport& report)
{
    CTemporaryFile staged;
    if (!m_write.Write(report.ToText()) || !m_write.Finish({m_path}, staged)) {
        throw std::runtime_error(WriteErrorText(m_path, m_write.ErrorCode()));
    }
    if (!staged.PutInPlace(m_path)) throw std::runtime_error(WriteErrorText(m_path, Platform::LastErrorCode()));
}
