#include "settings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "asciitext.h"
#include "settingswords.h"

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trimmed(std::string_view text) { return TrimAscii(text, kBlanks); }

} // namespace

std::string CProfileFile::Fold(std::string_view name) { return FoldProfileName(name); }

CProfileFile CProfileFile::FromBytes(std::string_view bytes)
{
    const std::string text = DecodeProfileText(bytes);

    // Read as the Windows profile functions read a file: whole lines of any length, a section
    // header is '[' up to the last ']' of its line (a line without one is no header and changes
    // nothing), and only '=' separates a key from its value; a line without '=' holds no value.
    // Anything before the first header belongs to no section anyone asks for.
    CProfileFile profile;
    std::string section;
    bool inSection = false;
    ForEachProfileLine(text, [&](int, std::string_view line) {
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos)
                return;
            section = Fold(line.substr(1, close - 1));
            inSection = true;
            return;
        }
        const std::size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos)
            return;
        // The first occurrence wins, as with the profile functions.
        profile.m_values.emplace(std::make_pair(section, Fold(line.substr(0, eq))),
                                 std::string(Trimmed(line.substr(eq + 1))));
    });
    return profile;
}

CProfileFile CProfileFile::Load(const std::string& path)
{
    const auto bytes = ReadProfileBytes(path);
    return bytes ? FromBytes(*bytes) : CProfileFile{};
}

std::optional<std::string> CProfileFile::GetString(std::string_view section, std::string_view key) const
{
    const auto it = m_values.find(std::make_pair(Fold(section), Fold(key)));
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

int CProfileFile::GetInt(std::string_view section, std::string_view key, int def) const
{
    const auto value = GetString(section, key);
    if (!value || value->empty())
        return def;
    return ParseProfileInt(*value);
}

ProfileIntReader OpenProfile(const std::string& path)
{
    return [profile = CProfileFile::Load(path)](std::string_view section, std::string_view key, int def) {
        return profile.GetInt(section, key, def);
    };
}

ProfileStringReader OpenProfileStrings(const std::string& path)
{
    return [profile = CProfileFile::Load(path)](std::string_view section, std::string_view key) {
        return profile.GetString(section, key);
    };
}
