#include "process.h"

#include <csignal>

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void PrepareStandardStreams()
{
    // Under a file-size limit a write to a redirected output would otherwise kill the program
    // silently; as an ordinary error it is reported and gives exit code 3.
    std::signal(SIGXFSZ, SIG_IGN);
}

std::FILE* OpenTextInput(const std::string& path) { return std::fopen(path == "-" ? "/dev/stdin" : path.c_str(), "rb"); }
