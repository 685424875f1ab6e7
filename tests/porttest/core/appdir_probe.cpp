// Prints the program directory as the port layer sees it; run from unusual places by the tests.
#include <cstdio>

#include "appdir.h"

int main()
{
    std::fputs(ProgramDirectory().c_str(), stdout);
    return 0;
}
