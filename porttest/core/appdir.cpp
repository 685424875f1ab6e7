#include "appdir.h"

#include "programfile.h"

std::string g_strAppDir;

std::string ProgramDirectory()
{
    const std::string file = ProgramFile();
    const auto slash = file.rfind(kPathSeparator);
    if (slash == std::string::npos)
        return {};
    return file.substr(0, slash + 1);
}
