#include "commands.h"
#include "process.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    PrepareStandardStreams();
    std::ios::sync_with_stdio(false);
    // Messages are written piece by piece; buffering them saves a system call per piece.
    std::cerr << std::nounitbuf;
    const std::vector<std::string> args = ProgramArguments(argc, argv);
    const int code = RunChiptool(args, std::cout, std::cerr);
    std::cout.flush();
    std::cerr.flush();
    if (!std::cout) {
        std::cerr << "chiptool: cannot write the output\n";
        return kExitIo;
    }
    return code;
}
