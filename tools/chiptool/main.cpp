#include "commands.h"

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Under a file-size limit a write to a redirected output would otherwise kill the program
    // silently; as an ordinary error it is reported and gives exit code 3.
    std::signal(SIGXFSZ, SIG_IGN);
    std::ios::sync_with_stdio(false);
    // Messages are written piece by piece; buffering them saves a system call per piece.
    std::cerr << std::nounitbuf;
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int code = RunChiptool(args, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    if (!std::cout) {
        std::cerr << "chiptool: cannot write the output\n";
        return kExitIo;
    }
    return code;
}
