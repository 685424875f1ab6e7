#pragma once
#include <filesystem>
#include <string_view>

// A file name as the user typed it (a command-line argument, a name in a text file) made into a
// path. POSIX takes the bytes as they are. Windows names are UTF-16: the text is read as UTF-8
// when it is valid UTF-8, and otherwise as GBK (code page 936), which is what older Chinese
// Windows systems hand out; plain ASCII is the same in both.
std::filesystem::path PathFromUserText(std::string_view text);
