#include "run/SchemeCheck.h"

#include "console/Console.h"
#include "platform/Platform.h"

#include <algorithm>

int ReportSchemeCheck(std::vector<LintFinding> findings, const std::vector<PlannedFile>& files,
                      std::vector<LintFinding>* reported, bool skipMissing)
{
    for (const PlannedFile& file : files) {
        const Platform::EntryKind kind = Platform::KindOf(file.paths.input);
        if (skipMissing && kind == Platform::EntryKind::Missing) continue;
        if (kind != Platform::EntryKind::File) {
            findings.push_back({file.conversion.line, "input file '" + file.paths.input + "' is not found"});
        }
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const LintFinding& left, const LintFinding& right) { return left.line < right.line; });
    for (const LintFinding& finding : findings) {
        Console::Print("\n[CHECK] Line=" + std::to_string(finding.line) + ": " + finding.text);
    }
    if (reported != nullptr) *reported = findings;
    Console::Print("\nScheme check: " + std::to_string(findings.size()) + (findings.size() == 1 ? " finding" : " findings"));
    return findings.empty() ? 0 : 1;
}
