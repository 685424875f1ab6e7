#pragma once
#include <string>

// Directory of the running program file, ending with the path separator. Empty until the
// application shell stores ProgramDirectory() in it, once, before the main window exists; the
// port and cable code append "winio.sys" and "QorelIsp.ini" to it.
extern std::string g_strAppDir;

// Directory of the running program file with a trailing separator (Linux: from /proc/self/exe),
// whatever the working directory, with no length limit. Empty when it cannot be determined.
std::string ProgramDirectory();
