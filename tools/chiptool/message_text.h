#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Input quoted in a message: at most `maxChars` characters (then "..."), control bytes and bytes
// that are not UTF-8 written as \xHH, so that no message floods or garbles the terminal.
std::string MessageText(std::string_view text, std::size_t maxChars = 60);
// The same in double quotes.
std::string Quoted(std::string_view text);
