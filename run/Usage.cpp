#include "run/Usage.h"

#ifndef VELMARCH_VERSION
#define VELMARCH_VERSION "0.0.0"
#endif

std::string UsageText()
{
    return "Usage: velmarch [scheme.xml] [-f input.ini] [-o output.ini] [-fdir folder] [-nobackup]\n"
           "                [-sectionnameregex] [-encoding name] [-dryrun | -check]\n"
           "       velmarch -help | -version\n"
           "\n"
           "Converts INI settings files as an XML scheme (a scenario) says.\n"
           "\n"
           "  scheme.xml         the scheme; default Velmarch.xml in the current folder\n"
           "  -f name            the input file of the scheme's top-level Convert record\n"
           "  -o name            the output file of that record\n"
           "  -fdir folder       base folder for relative file names and root of the backup\n"
           "                     folder (default: the program's own folder)\n"
           "  -nobackup          keep no copy of the input files\n"
           "  -sectionnameregex  section names in the scheme are regular expressions\n"
           "  -encoding name     read every settings file as utf-8 or windows-1251 instead\n"
           "                     of telling its encoding from its bytes\n"
           "  -dryrun            convert in memory and print what would change as a unified\n"
           "                     diff; no file or folder is created or changed\n"
           "  -check             check the scheme for elements and attributes a run would\n"
           "                     ignore, and for input files that cannot be found\n"
           "  -help, -h, -?      print this text\n"
           "  -version           print the version\n"
           "\n"
           "Backups: each input file is kept in old_version/YYYYMMDDhhmmss_conv beside it, or\n"
           "under the -fdir folder when -fdir is given.\n"
           "\n"
           "Encodings: a settings file is UTF-8 when it starts with a byte-order mark or is\n"
           "well-formed UTF-8, Windows-1251 otherwise; a file of ASCII bytes takes the\n"
           "scheme's encoding. Messages are UTF-8 in a UTF-8 locale, else Windows-1251.\n"
           "\n"
           "Exit codes: 0 after success (the console ends with ERROR:0), 1 after a failure or\n"
           "a -check finding (ERROR:1).\n";
}

std::string VersionText() { return std::string("velmarch ") + VELMARCH_VERSION + "\n"; }
