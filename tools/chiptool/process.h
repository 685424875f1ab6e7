#pragma once
#include <cstdio>
#include <string>
#include <vector>

// What the program gets from and gives to the system it runs on, set up before the command runs.
// The command-line arguments as UTF-8 where the system has a wide form of them (Windows), else as
// given.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The output is data (CSV, JSON, lists) that is redirected and piped: the same bytes on every
// system, no end-of-line translation. A size limit on it turns into a write error, not death.
void PrepareStandardStreams();
// A text file named on the command line, "-" being the standard input; nullptr with errno set.
std::FILE* OpenTextInput(const std::string& path);
