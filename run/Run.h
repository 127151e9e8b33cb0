#pragma once

// The program's main procedure: parse the options, load the scheme, resolve the paths,
// convert every file in memory, then back up and write every file. Returns the exit
// code, 0 or 1; the console ends with "\nERROR:" and the same digit.
int Run(int argumentCount, const char* const* arguments);
