#pragma once

// The one sequence by which a run and a restore change files: (the caller locks and
// validates first) stage every new text beside its target, preserve what each target
// holds in a dated folder, write each dated folder's record, commit, complete the
// records. Until the commit a failure leaves every file as it was and removes whatever
// the sequence made. The caller says what to put where (the plan) and supplies the
// texts (the client); everything else is here.
//
// Every folder that gains or loses an entry, and the parent of every folder made, is
// flushed before the step that relies on it, so that a power cut at any moment leaves
// each file and its backup whole under some name.

#include "engine/TemporaryFile.h"
#include "platform/Platform.h"

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// One file the commit changes.
struct Placement {
    std::string target;          // the file as named
    bool removes = false;        // the commit removes it instead of replacing it
    int datedFolder = -1;        // the plan's dated folder its present bytes go to; -1: none
    std::string backupBelow;     // the backup's path below that folder
    // A target that is a link: its target file is written (a run), or the placement
    // fails rather than write through a link (a restore). A placement that never goes
    // through one holds its folder from before it is staged until the records are
    // complete, and does everything there through that folder.
    bool throughLinks = true;

    // Filled in by the sequence.
    std::string realTarget;      // the target with its links resolved
    std::shared_ptr<const Platform::HeldFolder> folder;  // the target's folder, held
    CTemporaryFile staged;       // the new bytes, until they are put in place
    std::string backupPath;      // where its bytes were preserved; empty: not preserved
    bool placed = false;         // put in place (or removed) by the commit
};

struct TransactionPlan {
    // The dated folders, each named after one second; when one of them exists already,
    // every one takes the next second's name.
    std::vector<std::string> datedFolders;
    std::vector<Placement> placements;
};

// The step of the sequence a failure arose in.
enum class FailedStep {
    RemovalCheck,  // a target the commit removes cannot be removed (checked before anything changes)
    Creation,  // a target's folder cannot be written (checked before anything changes)
    Backup,    // its dated folder or its backup cannot be made
    Replace,   // putting the new bytes in place failed at the commit
    Remove,    // removing it failed at the commit
    Folder,    // its folder cannot be held: reached through a link, or others may change it
};

// A failure of one placement's step, with the system's error code: how the sequence says
// what went wrong. It prints nothing; its caller words the failure for the user.
class CTransactionFailure : public std::runtime_error {
public:
    CTransactionFailure(std::size_t failedPlacement, FailedStep failedStep, int systemErrorCode)
        : std::runtime_error("placement " + std::to_string(failedPlacement) + " failed at step " +
                             std::to_string(static_cast<int>(failedStep))),
          placement(failedPlacement), step(failedStep), errorCode(systemErrorCode)
    {
    }
    std::size_t placement;
    FailedStep step;
    int errorCode;
};

class CTransactionClient {
public:
    virtual ~CTransactionClient() = default;
    // The new bytes of placement `index`, written to a temporary beside its real target.
    virtual CTemporaryFile Stage(std::size_t index, const Placement& placement) = 0;
    // The record of dated folder `folderIndex`: before the commit (`committed` false)
    // and after it, listing only what was put in place when the commit stopped part-way.
    // Empty: the folder holds no record.
    virtual std::string RecordText(std::size_t folderIndex, bool committed, bool stoppedPartWay) = 0;
    // Everything is preserved and recorded, nothing yet put in place: the last moment
    // to refuse (by throwing) a source that changed since it was read, whose preserved
    // bytes would then not be the ones the new text was made from.
    virtual void Preserved() {}
    // A target was put in place (or removed).
    virtual void Placed(std::size_t index) = 0;
    // The records are complete; a restore marks the run it undid here. `recordError` is
    // empty, or says why a record could not be completed (what was put in place stays:
    // the caller warns).
    virtual void Completed(bool stoppedPartWay, const std::string& recordError) = 0;
};

inline constexpr const char* kRecordName = "velmarch.json";

// Runs the sequence. Interrupts are deferred from the first change of a target on;
// the caller ends the deferral once its report and status line are out. A step that
// fails for a placement throws CTransactionFailure (before the commit, after everything
// made was removed; at the commit, after the records were completed); a client's own
// exceptions pass through.
void RunTransaction(TransactionPlan& plan, CTransactionClient& client);
