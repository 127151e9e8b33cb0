#pragma once

// -restore: undoes the run recorded in a dated backup folder, as a client of the same
// transaction a run goes through. Each output gets back the bytes it had before the run
// (or is removed when the run made it) and each input the run removed comes back. What
// the restore replaces is preserved in a dated folder of its own with its own record,
// so a restore can be undone too; the undone run's record says when it was undone, and
// a run is not undone twice.
//
// Nothing in the record is trusted unchecked. Refused before anything changes: a record
// that cannot be read or has a member of another type; a record, dated folder or
// old_version not owned by the user (or root) or writable by others; a path that is not
// absolute and normalised; a backup that is not a regular file inside a dated folder of
// the record's name (its own, or the one beside an output it preserved), or does not
// hold the SHA-256 the record gives; an output changed since the run (-force restores
// anyway).

#include <string>
#include <vector>

struct RestoredFile {
    std::string source;  // the backup put back; empty when the file is removed
    std::string target;
    std::string backup;  // where the restore preserved what it replaced
    bool done = false;
    bool alreadyUndone = false;  // the run was undone before: nothing to do
    // With a preview: the target's bytes now and those the restore would leave (a
    // target that is or would be absent has none).
    std::string bytesNow;
    std::string bytesAfter;
};

struct RestoreOutcome {
    std::string scheme;  // the undone run's scheme
    std::string ownFolder;
    std::vector<RestoredFile> files;
};

// Throws with the reason when nothing could be restored; `outcome` holds what is known
// so far whatever the result. A run undone before is left as it is, with a notice.
// With `preview`, everything is checked as for the restore, then nothing is changed:
// the files the restore would change carry their bytes now and after.
void RestoreRun(const std::string& datedFolder, bool force, RestoreOutcome& outcome, bool preview = false);

// True for an absolute path without "." or ".." parts, empty parts or a trailing
// separator.
bool IsAbsoluteAndNormal(const std::string& path);
