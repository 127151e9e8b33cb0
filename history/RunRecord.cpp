#include "history/RunRecord.h"

#include "console/Console.h"
#include "engine/StagedWrite.h"
#include "engine/WholeFile.h"
#include "platform/Paths.h"
#include "platform/Platform.h"

#include <stdexcept>

#include <fmt/format.h>

namespace {

void SetNameOrNull(CJson& value, const std::string& key, const std::string& name)
{
    if (name.empty()) {
        value.Set(key, CJson());
    } else {
        value.SetName(key, name);
    }
}

// Reads members by kind, noting the first one at fault.
class CMemberReader {
public:
    CMemberReader(const CJson& value, std::string where) : m_value(value), m_where(std::move(where)) {}

    std::string Text(const char* key, bool nullable = false)
    {
        const CJson* member = m_value.Find(key);
        if (member != nullptr && member->GetKind() == CJson::Kind::String) return member->Text();
        if (!(nullable && member != nullptr && member->IsNull())) Fault(key, nullable ? "a text or null" : "a text");
        return std::string();
    }

    std::string Name(const char* key, bool nullable)
    {
        std::string bytes;
        const CJson* member = m_value.Find(key);
        if (member == nullptr || (!nullable && member->IsNull()) || !m_value.NameOf(key, bytes)) {
            Fault(key, nullable ? "a text or null" : "a text");
        }
        // A zero byte would cut the name short at every system call.
        if (bytes.find('\0') != std::string::npos) Fault(key, "a name without a zero byte");
        return bytes;
    }

    bool Bool(const char* key)
    {
        const CJson* member = m_value.Find(key);
        if (member != nullptr && member->GetKind() == CJson::Kind::Bool) return member->Bool();
        Fault(key, "true or false");
        return false;
    }

    void Fault(const std::string& key, const char* wanted)
    {
        if (m_fault.empty()) m_fault = "the member '" + m_where + key + "' is not " + wanted;
    }

    const std::string& FaultText() const { return m_fault; }

private:
    const CJson& m_value;
    std::string m_where;
    std::string m_fault;
};

bool ReadEntry(const CJson& item, std::size_t index, RunRecordEntry& entry, std::string& reason)
{
    const std::string where = "records[" + std::to_string(index) + "].";
    if (item.GetKind() != CJson::Kind::Object) {
        reason = "the member 'records[" + std::to_string(index) + "]' is not an object";
        return false;
    }
    CMemberReader read(item, where);
    entry.input = read.Name("input", true);
    entry.output = read.Name("output", false);
    entry.backup = read.Name("backup", true);
    entry.outputBackup = read.Name("output_backup", true);
    entry.outputExisted = read.Bool("output_existed");
    entry.inputRemoved = read.Bool("input_removed");
    entry.inputSha256 = read.Text("input_sha256", true);
    entry.outputSha256 = read.Text("output_sha256", true);
    if (item.Find("output_backup_sha256") != nullptr) entry.outputBackupSha256 = read.Text("output_backup_sha256", true);
    if (read.FaultText().empty() && entry.output.empty()) read.Fault("output", "a file name");
    reason = read.FaultText();
    return reason.empty();
}

}  // namespace

CJson ToJson(const RunRecord& record)
{
    CJson value = CJson::Object();
    value.SetName("scheme", record.scheme);
    value.Set("scheme_sha256", record.schemeSha256);
    if (!record.schemeDigest.empty()) value.Set("scheme_digest", record.schemeDigest);
    if (!record.schemeDigest.empty()) value.Set("scheme_id", record.schemeId.empty() ? CJson() : CJson(record.schemeId));
    CJson arguments = CJson::Array();
    for (const std::string& argument : record.arguments) arguments.Push(argument);
    value.Set("arguments", arguments);
    value.Set("started", record.started);
    value.Set("undone", record.undone.empty() ? CJson() : CJson(record.undone));
    SetNameOrNull(value, "restore_of", record.restoreOf);
    value.Set("complete", record.complete);
    if (record.sequence > 0) value.Set("sequence", record.sequence);
    CJson records = CJson::Array();
    for (const RunRecordEntry& entry : record.records) {
        CJson item = CJson::Object();
        SetNameOrNull(item, "input", entry.input);
        item.SetName("output", entry.output);
        SetNameOrNull(item, "backup", entry.backup);
        SetNameOrNull(item, "output_backup", entry.outputBackup);
        item.Set("output_existed", entry.outputExisted);
        item.Set("input_removed", entry.inputRemoved);
        item.Set("input_sha256", entry.inputSha256.empty() ? CJson() : CJson(entry.inputSha256));
        item.Set("output_sha256", entry.outputSha256.empty() ? CJson() : CJson(entry.outputSha256));
        item.Set("output_backup_sha256", entry.outputBackupSha256.empty() ? CJson() : CJson(entry.outputBackupSha256));
        records.Push(item);
    }
    value.Set("records", records);
    return value;
}

bool FromJson(const CJson& value, RunRecord& record, std::string& reason)
{
    if (value.GetKind() != CJson::Kind::Object) {
        reason = "it is not a JSON object";
        return false;
    }
    record = RunRecord();
    CMemberReader read(value, "");
    record.scheme = read.Name("scheme", false);
    record.schemeSha256 = read.Text("scheme_sha256");
    if (value.Find("scheme_digest") != nullptr) record.schemeDigest = read.Text("scheme_digest");
    if (value.Find("scheme_id") != nullptr) record.schemeId = read.Text("scheme_id", true);
    const CJson* arguments = value.Find("arguments");
    if (arguments == nullptr || arguments->GetKind() != CJson::Kind::Array) {
        read.Fault("arguments", "a list");
    } else {
        for (const CJson& argument : arguments->Items()) {
            if (argument.GetKind() != CJson::Kind::String) read.Fault("arguments", "a list of texts");
            record.arguments.push_back(argument.Text());
        }
    }
    record.started = read.Text("started");
    record.undone = read.Text("undone", true);
    record.restoreOf = read.Name("restore_of", true);
    record.complete = read.Bool("complete");
    if (const CJson* sequence = value.Find("sequence")) {
        // A whole number from 1 up to 2^53, where a JSON number is still exact.
        const double number = sequence->GetKind() == CJson::Kind::Number ? sequence->Number() : 0;
        if (number < 1 || number > 9007199254740992.0 || number != static_cast<double>(static_cast<std::int64_t>(number))) {
            read.Fault("sequence", "a whole number from 1");
        } else {
            record.sequence = static_cast<std::int64_t>(number);
        }
    }
    const CJson* records = value.Find("records");
    if (records == nullptr || records->GetKind() != CJson::Kind::Array) read.Fault("records", "a list");
    reason = read.FaultText();
    if (!reason.empty()) return false;
    for (std::size_t index = 0; index < records->Items().size(); ++index) {
        RunRecordEntry entry;
        if (!ReadEntry(records->Items()[index], index, entry, reason)) return false;
        record.records.push_back(entry);
    }
    return true;
}

std::string RunRecordPath(const std::string& datedFolder) { return CombinePath(datedFolder, kRunRecordName); }

RecordRead ReadRunRecord(const std::string& datedFolder, RunRecord& record, std::string& reason)
{
    const std::string path = RunRecordPath(datedFolder);
    const Platform::EntryFacts facts = Platform::FactsOf(path);
    if (!facts.exists) return RecordRead::Missing;
    std::string text;
    CJson value;
    if (!facts.isRegularFile) {
        reason = "it is not a regular file";
        return RecordRead::Unreadable;
    }
    if (!ReadWholeText(path, text)) {
        reason = "it cannot be read: " + Platform::ErrorText(Platform::LastErrorCode());
        return RecordRead::Unreadable;
    }
    std::string jsonReason;
    if (!CJson::Parse(text, value, &jsonReason)) {
        reason = "it is no JSON: " + jsonReason;
        return RecordRead::Unreadable;
    }
    return FromJson(value, record, reason) ? RecordRead::Read : RecordRead::Unreadable;
}

// Through the dated folder, held with no link on the way: a record is rewritten only in
// the folder the checks found, whatever is renamed or linked above it meanwhile.
void WriteRunRecord(const std::string& datedFolder, const RunRecord& record)
{
    const std::shared_ptr<Platform::HeldFolder> held = NewHeldFolder();
    if (const int errorCode = Platform::HoldFolder(datedFolder, *held)) {
        throw std::runtime_error(WriteErrorText(RunRecordPath(datedFolder), errorCode));
    }
    WriteWholeFile(RunRecordPath(datedFolder), ToJson(record).Dump(), held);
    Platform::KeepWritableByOwnerOnlyWithin(*held, kRunRecordName);
}

std::string UnreadableRecordText(const std::string& datedFolder, const std::string& reason)
{
    return "the run record [" + Console::ShownName(RunRecordPath(datedFolder)) + "] cannot be read: " + reason;
}

std::string RecordTimeNow()
{
    const Platform::LocalTime now = Platform::Now();
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", now.year, now.month, now.day, now.hour, now.minute,
                       now.second);
}
