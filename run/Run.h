#pragma once

// The program's main procedure: parse the options, load the scheme, resolve the paths,
// convert every file in memory, then back up and write every file. Returns the exit
// code, 0 or 1; the console ends with "\nERROR:" and the same digit.
//
// With `leaveImagesToExit` the converted images are not freed when the run ends: the
// process ends right after, and the system takes their memory back at once, where
// freeing millions of small records one by one would cost a sizeable share of the run.
// Callers that go on (tests, fuzzing) leave it off.
int Run(int argumentCount, const char* const* arguments, bool leaveImagesToExit = false);
