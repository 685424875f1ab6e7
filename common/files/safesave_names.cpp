#include "safesave.h"
#include "safesave_names.h"

#include <cstdio>

namespace {

// Temporary names: ".<target>.~<8 hex>.tmp", the target's part shortened so that the whole stays
// within NAME_MAX (255 bytes) for any target name.
constexpr std::size_t kNameMax = 255;
constexpr std::string_view kTempInfix = ".~";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTagDigits = 8;
constexpr std::string_view kBackupSuffix = ".bak";

bool IsTag(std::string_view s)
{
    if (s.size() != kTagDigits) return false;
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string TagText(unsigned tag)
{
    char hex[kTagDigits + 1];
    std::snprintf(hex, sizeof hex, "%08x", tag);
    return hex;
}

std::string BackupPrefix(std::string_view targetName)
{
    const std::size_t room = kNameMax - kTempInfix.size() - kTagDigits - kBackupSuffix.size();
    return std::string(targetName.substr(0, room)).append(kTempInfix);
}

}  // namespace

std::string TemporaryPrefix(std::string_view targetName)
{
    const std::size_t room = kNameMax - 1 - kTempInfix.size() - kTagDigits - kTempSuffix.size();
    std::string prefix(1, '.');
    prefix.append(targetName.substr(0, room)).append(kTempInfix);
    return prefix;
}

bool IsTemporaryOf(std::string_view entry, const std::string& prefix)
{
    if (entry.size() != prefix.size() + kTagDigits + kTempSuffix.size()) return false;
    if (entry.substr(0, prefix.size()) != prefix || entry.substr(entry.size() - kTempSuffix.size()) != kTempSuffix)
        return false;
    return IsTag(entry.substr(prefix.size(), kTagDigits));
}

std::string TemporaryNameFor(std::string_view targetName, unsigned tag)
{
    return TemporaryPrefix(targetName) + TagText(tag) + std::string(kTempSuffix);
}

std::string BackupNameFor(std::string_view targetName, unsigned tag)
{
    return BackupPrefix(targetName) + TagText(tag) + std::string(kBackupSuffix);
}

bool IsBackupOf(std::string_view entry, std::string_view targetName)
{
    const std::string prefix = BackupPrefix(targetName);
    return entry.size() == prefix.size() + kTagDigits + kBackupSuffix.size() && entry.substr(0, prefix.size()) == prefix &&
           entry.substr(entry.size() - kBackupSuffix.size()) == kBackupSuffix &&
           IsTag(entry.substr(prefix.size(), kTagDigits));
}

