#pragma once
#include <ostream>
#include <string>
#include <vector>

// Exit codes of chiptool.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFindings = 1;  // check found something; import met bad rows; diff found differences
inline constexpr int kExitUsage = 2;
inline constexpr int kExitIo = 3;

// Runs one chiptool command line (`args` without the program name). Normal output goes to
// `out`, errors, warnings and summaries to `err`. Returns the exit code.
int RunChiptool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The --help text.
std::string ChiptoolHelp();
