#include "run/RunRecord.h"

#include "platform/Paths.h"
#include "platform/Platform.h"
#include "run/WholeFile.h"

#include <cstdio>

namespace {

CJson TextOrNull(const std::string& text) { return text.empty() ? CJson() : CJson(text); }

}  // namespace

CJson ToJson(const RunRecord& record)
{
    CJson value = CJson::Object();
    value.Set("scheme", record.scheme);
    value.Set("scheme_sha256", record.schemeSha256);
    CJson arguments = CJson::Array();
    for (const std::string& argument : record.arguments) arguments.Push(argument);
    value.Set("arguments", arguments);
    value.Set("started", record.started);
    value.Set("undone", TextOrNull(record.undone));
    value.Set("restore_of", TextOrNull(record.restoreOf));
    value.Set("complete", record.complete);
    CJson records = CJson::Array();
    for (const RunRecordEntry& entry : record.records) {
        CJson item = CJson::Object();
        item.Set("input", entry.input);
        item.Set("output", entry.output);
        item.Set("backup", TextOrNull(entry.backup));
        item.Set("output_backup", TextOrNull(entry.outputBackup));
        item.Set("output_existed", entry.outputExisted);
        item.Set("input_removed", entry.inputRemoved);
        item.Set("input_sha256", TextOrNull(entry.inputSha256));
        item.Set("output_sha256", TextOrNull(entry.outputSha256));
        records.Push(item);
    }
    value.Set("records", records);
    return value;
}

bool FromJson(const CJson& value, RunRecord& record)
{
    if (value.GetKind() != CJson::Kind::Object) return false;
    const CJson* records = value.Find("records");
    if (records == nullptr || records->GetKind() != CJson::Kind::Array) return false;
    record = RunRecord();
    record.scheme = value.TextOf("scheme");
    record.schemeSha256 = value.TextOf("scheme_sha256");
    if (const CJson* arguments = value.Find("arguments")) {
        for (const CJson& argument : arguments->Items()) record.arguments.push_back(argument.Text());
    }
    record.started = value.TextOf("started");
    record.undone = value.TextOf("undone");
    record.restoreOf = value.TextOf("restore_of");
    record.complete = value.BoolOf("complete");
    for (const CJson& item : records->Items()) {
        if (item.GetKind() != CJson::Kind::Object) return false;
        RunRecordEntry entry;
        entry.input = item.TextOf("input");
        entry.output = item.TextOf("output");
        entry.backup = item.TextOf("backup");
        entry.outputBackup = item.TextOf("output_backup");
        entry.outputExisted = item.BoolOf("output_existed");
        entry.inputRemoved = item.BoolOf("input_removed");
        entry.inputSha256 = item.TextOf("input_sha256");
        entry.outputSha256 = item.TextOf("output_sha256");
        if (entry.output.empty()) return false;
        record.records.push_back(entry);
    }
    return true;
}

std::string RunRecordPath(const std::string& datedFolder) { return CombinePath(datedFolder, kRunRecordName); }

bool ReadRunRecord(const std::string& datedFolder, RunRecord& record)
{
    std::string text;
    CJson value;
    return ReadWholeText(RunRecordPath(datedFolder), text) && CJson::Parse(text, value) && FromJson(value, record);
}

void WriteRunRecord(const std::string& datedFolder, const RunRecord& record)
{
    WriteWholeFile(RunRecordPath(datedFolder), ToJson(record).Dump());
}

std::string RecordTimeNow()
{
    const Platform::LocalTime now = Platform::Now();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    return text;
}
