#include "run/RunWriting.h"

#include "engine/DatedFolder.h"
#include "engine/FileIdentity.h"
#include "engine/Transaction.h"
#include "engine/WholeFile.h"
#include "history/RunHistory.h"
#include "console/Console.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "run/RecordError.h"
#include "text/Sha256.h"

#include <algorithm>
#include <map>
#include <set>

using Console::ShownName;

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The run as the engine sees it: what goes where, and the texts.
class CRunWriting : public CTransactionClient {
public:
    CRunWriting(const std::vector<ConvertedFile>& files, const std::vector<WriteFacts>& facts, bool noBackup,
                const RunRecord& run)
        : m_files(files), m_facts(facts), m_run(run)
    {
        for (const ConvertedFile& file : files) m_written.files.push_back({false, file.paths.backup, std::string()});
        Plan(noBackup);
    }

    TransactionPlan& GetPlan() { return m_plan; }
    RunWritten& Written() { return m_written; }

    CTemporaryFile Stage(std::size_t index, const Placement& placement) override
    {
        const ConvertedFile& file = m_files[m_recordOf[index]];
        CSha256 written;
        try {
            // The new file takes the attributes of the file it replaces, else those of
            // its input.
            CTemporaryFile staged = file.image.WriteTemporary(file.paths.output, {placement.realTarget, file.paths.input},
                                                              m_digest ? &written : nullptr);
            if (m_digest) m_written.files[m_recordOf[index]].outputSha256 = written.Hex();
            return staged;
        } catch (const std::exception& error) {
            throw RecordError(file.paths, error.what());
        }
    }

    std::string RecordText(std::size_t folderIndex, bool committed, bool stoppedPartWay) override
    {
        TakeBackupPaths();
        RunRecord record = m_run;
        record.complete = committed;
        // Taken once, before the folder holds its own record.
        auto sequence = m_sequences.find(folderIndex);
        if (sequence == m_sequences.end()) {
            sequence =
                m_sequences.emplace(folderIndex, NextSequence(DirectoryPart(m_plan.datedFolders[folderIndex]))).first;
        }
        record.sequence = sequence->second;
        for (std::size_t index = 0; index < m_files.size(); ++index) {
            if (m_inputFolder[index] != folderIndex) continue;
            if (!committed) m_recorded.insert(folderIndex);
            if (stoppedPartWay && !m_plan.placements[m_outputPlacement[index]].placed) continue;
            record.records.push_back(Entry(index, committed));
        }
        // A folder that holds a record keeps one, even when the commit put nothing in place.
        if (record.records.empty() && m_recorded.count(folderIndex) == 0) return std::string();
        return ToJson(record).Dump();
    }

    // An input written in place after it was read would leave its backup (a hard link to
    // it) and the converted text both out of step with what was recorded: the run stops
    // with nothing put in place. An input replaced under its name is another file.
    void Preserved() override
    {
        for (std::size_t index = 0; index < m_files.size(); ++index) {
            const ConvertedFile& file = m_files[index];
            if (!file.image.StillAsRead() || FileKeyOf(file.paths.input) != m_facts[index].inputIdentity) {
                throw RecordError(file.paths, "Unable to read file [" + ShownName(file.paths.input) +
                                                  "]: the file changed while it was converted");
            }
        }
    }

    void Placed(std::size_t index) override
    {
        if (m_plan.placements[index].removes) return;
        const FilePaths& paths = m_files[m_recordOf[index]].paths;
        m_written.files[m_recordOf[index]].committed = true;
        Console::Print("\nFile '" + ShownName(paths.input) + "' successfully converted to file '" +
                       ShownName(paths.output) + "'");
    }

    // What was put in place stays; a record that could not be completed is a warning.
    void Completed(bool, const std::string& recordError) override
    {
        if (!recordError.empty()) Console::Print("\n[WARNING] the run's record could not be completed: " + recordError);
    }

    // A failure of the engine in the words of the record it belongs to.
    CRecordFailure Words(const CTransactionFailure& failure) const
    {
        const std::size_t index = failure.placement;
        const FailedStep step = failure.step;
        const int errorCode = failure.errorCode;
        const Placement& placement = m_plan.placements[index];
        const FilePaths& paths = m_files[m_recordOf[index]].paths;
        const std::string backupPath =
            placement.datedFolder < 0
                ? std::string()
                : CombinePath(m_plan.datedFolders[static_cast<std::size_t>(placement.datedFolder)], placement.backupBelow);
        switch (step) {
        case FailedStep::RemovalCheck:
        case FailedStep::Remove:
        case FailedStep::Backup: return RecordError(paths, MoveErrorText(placement.target, backupPath, errorCode));
        case FailedStep::Folder:
        case FailedStep::Creation:
            return RecordError(paths, "Unable to create file [" + ShownName(paths.output) + "]: the folder [" +
                                          ShownName(DirectoryPart(placement.realTarget)) + "] cannot be written" +
                                          Platform::ErrorSuffix(errorCode));
        case FailedStep::Replace: break;
        }
        std::string notConverted;
        for (std::size_t other = 0; other < m_files.size(); ++other) {
            if (m_written.files[other].committed) continue;
            notConverted += (notConverted.empty() ? "'" : ", '") + ShownName(m_files[other].paths.input) + "'";
        }
        return RecordError(paths,
                           "Unable to write file [" + ShownName(paths.output) + "]; files not converted: " + notConverted);
    }

private:
    std::size_t FolderIndex(const std::string& folder)
    {
        const auto found = std::find(m_plan.datedFolders.begin(), m_plan.datedFolders.end(), folder);
        if (found != m_plan.datedFolders.end()) return static_cast<std::size_t>(found - m_plan.datedFolders.begin());
        m_plan.datedFolders.push_back(folder);
        return m_plan.datedFolders.size() - 1;
    }

    static std::string Below(const std::string& folder, const std::string& path) { return path.substr(folder.size() + 1); }

    void Plan(bool noBackup)
    {
        m_digest = !noBackup;
        // Every record's input backup, in the dated folder that will hold its record.
        if (!noBackup) {
            for (const ConvertedFile& file : m_files) {
                m_inputFolder.push_back(FolderIndex(file.paths.backupFolder));
                m_inputBelow.push_back(Below(file.paths.backupFolder, file.paths.backup));
            }
        }
        std::map<std::string, std::size_t> readerOf;  // input key -> first file reading it
        for (std::size_t index = 0; index < m_files.size(); ++index) readerOf.emplace(m_facts[index].inputIdentity, index);
        // Each output is replaced; what it holds is preserved as an input's backup when a
        // record reads it, else as an existing output's own.
        for (std::size_t index = 0; index < m_files.size(); ++index) {
            const FilePaths& paths = m_files[index].paths;
            const WriteFacts& facts = m_facts[index];
            Placement placement;
            placement.target = paths.output;
            if (!noBackup) {
                const auto reader = readerOf.find(facts.outputIdentity);
                if (reader != readerOf.end()) {
                    placement.datedFolder = static_cast<int>(m_inputFolder[reader->second]);
                    placement.backupBelow = m_inputBelow[reader->second];
                } else if (facts.outputNeedsBackup) {
                    placement.datedFolder = static_cast<int>(FolderIndex(paths.outputBackupFolder));
                    placement.backupBelow = Below(paths.outputBackupFolder, paths.outputBackup);
                    bool exists = false;
                    m_outputBackupSha256[index] = FileSha256(paths.output, exists);
                }
            }
            m_outputPlacement.push_back(m_plan.placements.size());
            m_recordOf.push_back(index);
            m_plan.placements.push_back(std::move(placement));
        }
        // Each input that no record writes is removed after the commit (once, however
        // many records read it); its bytes are in its backup.
        std::set<std::string> removed;
        m_inputRemoval.assign(m_files.size(), kNone);
        for (std::size_t index = 0; index < m_files.size(); ++index) {
            const WriteFacts& facts = m_facts[index];
            if (noBackup || facts.inputRewritten) continue;
            if (!removed.insert(facts.inputIdentity).second) {
                m_inputRemoval[index] = m_inputRemoval[readerOf[facts.inputIdentity]];
                continue;
            }
            Placement placement;
            placement.target = m_files[index].paths.input;
            placement.removes = true;
            placement.datedFolder = static_cast<int>(m_inputFolder[index]);
            placement.backupBelow = m_inputBelow[index];
            m_inputRemoval[index] = m_plan.placements.size();
            m_recordOf.push_back(index);
            m_plan.placements.push_back(std::move(placement));
        }
        for (const ConvertedFile& file : m_files) {
            m_realInputs.push_back(RealPathOf(file.paths.input));
            m_realOutputs.push_back(RealPathOf(file.paths.output));
        }
    }

    // The dated folders may have moved to a later second's name: the records follow.
    void TakeBackupPaths()
    {
        for (std::size_t index = 0; index < m_inputFolder.size(); ++index) {
            m_written.files[index].backup = CombinePath(m_plan.datedFolders[m_inputFolder[index]], m_inputBelow[index]);
        }
    }

    RunRecordEntry Entry(std::size_t index, bool committed) const
    {
        const WriteFacts& facts = m_facts[index];
        const Placement& output = m_plan.placements[m_outputPlacement[index]];
        RunRecordEntry entry;
        entry.input = m_realInputs[index];
        entry.output = m_realOutputs[index];
        entry.backup = RealPathOf(m_written.files[index].backup);
        entry.outputExisted = facts.outputExisted;
        if (facts.outputExisted && !output.backupPath.empty()) {
            entry.outputBackup = RealPathOf(output.backupPath);
            const auto sha = m_outputBackupSha256.find(index);
            if (sha != m_outputBackupSha256.end()) {
                entry.outputBackupSha256 = sha->second;
            } else {
                for (std::size_t reader = 0; reader < m_files.size(); ++reader) {
                    if (m_facts[reader].inputIdentity == facts.outputIdentity) {
                        entry.outputBackupSha256 = m_files[reader].inputSha256;
                    }
                }
            }
        }
        const std::size_t removal = m_inputRemoval[index];
        entry.inputRemoved = removal != kNone && (!committed || m_plan.placements[removal].placed);
        entry.inputSha256 = m_files[index].inputSha256;
        entry.outputSha256 = m_written.files[index].outputSha256;
        return entry;
    }

    const std::vector<ConvertedFile>& m_files;
    const std::vector<WriteFacts>& m_facts;
    const RunRecord& m_run;
    RunWritten m_written;
    TransactionPlan m_plan;
    bool m_digest = false;
    std::set<std::size_t> m_recorded;  // the dated folders given a record before the commit
    std::map<std::size_t, std::int64_t> m_sequences;  // each dated folder's record's sequence
    std::vector<std::size_t> m_recordOf;         // placement -> record
    std::vector<std::size_t> m_outputPlacement;  // record -> its output's placement
    std::vector<std::size_t> m_inputRemoval;     // record -> its input's removal, or kNone
    std::vector<std::size_t> m_inputFolder;      // record -> the dated folder of its input's backup
    std::vector<std::string> m_inputBelow;       // record -> that backup's path below the folder
    std::map<std::size_t, std::string> m_outputBackupSha256;
    std::vector<std::string> m_realInputs;
    std::vector<std::string> m_realOutputs;
};

}  // namespace

RunWritten WriteAll(const std::vector<ConvertedFile>& files, const std::vector<WriteFacts>& facts, bool noBackup,
                    const RunRecord& run)
{
    CRunWriting writing(files, facts, noBackup, run);
    const TransactionPlan& plan = writing.GetPlan();
    RunWritten& written = writing.Written();
    try {
        RunTransaction(writing.GetPlan(), writing);
    } catch (const CTransactionFailure& failure) {
        written.failure = writing.Words(failure);
    } catch (const CRecordFailure& failure) {
        written.failure = failure;
    } catch (const std::exception& error) {
        // A failure of no file in particular: the run fails with its text.
        written.failure = CRecordFailure(error.what(), std::string(), std::string());
    }
    // The dated folders that hold a record, whatever the outcome.
    for (const std::string& folder : plan.datedFolders) {
        if (Platform::KindOf(RunRecordPath(folder)) == Platform::EntryKind::File) written.recordFolders.push_back(folder);
    }
    return std::move(written);
}
