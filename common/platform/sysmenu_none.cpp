#include "sysmenu.h"

void AppendSystemMenuCommand(std::uintptr_t, unsigned, const char16_t*) {}

bool IsSystemMenuCommand(const void*, unsigned) { return false; }
