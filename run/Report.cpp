#include "run/Report.h"

#include "platform/TextEncoding.h"
#include "run/Json.h"
#include "run/WholeFile.h"

namespace {

// A text of the program's (Windows-1251, or UTF-8 where it holds a UTF-8 name) in UTF-8.
CJson Utf8(const std::string& text)
{
    if (Encoding::ClassifyUtf8(text) != Encoding::Utf8Form::IllFormed) return CJson(text);
    return CJson(Encoding::ForDisplay(text, TextEncoding::Windows1251, TextEncoding::Utf8));
}

CJson Utf8OrNull(const std::string& text) { return text.empty() ? CJson() : Utf8(text); }

}  // namespace

std::string CRunReport::ToText() const
{
    CJson document = CJson::Object();
    document.Set("scheme", Utf8OrNull(scheme));
    document.Set("outcome", failed ? "failed" : "ok");
    document.Set("error", failed ? Utf8(error) : CJson());
    CJson folders = CJson::Array();
    for (const std::string& folder : backupFolders) folders.Push(Utf8(folder));
    document.Set("backup_folders", folders);
    CJson entries = CJson::Array();
    for (const ReportRecord& record : records) {
        CJson entry = CJson::Object();
        entry.Set("input", Utf8(record.input));
        entry.Set("output", Utf8(record.output));
        entry.Set("backup", Utf8OrNull(record.backup));
        entry.Set("status", record.status);
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

void WriteReport(const std::string& path, const CRunReport& report) { WriteWholeFile(path, report.ToText()); }
