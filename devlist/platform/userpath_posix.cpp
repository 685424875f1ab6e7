#include "userpath.h"

std::filesystem::path PathFromUserText(std::string_view text) { return std::filesystem::path(text); }
