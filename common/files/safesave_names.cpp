#include "safesave.h"
#include "safesave_names.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

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


std::vector<std::filesystem::path> LeftBackupsOf(const std::filesystem::path& file)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    // Beside the file a chain of links ends at, where the save writes.
    fs::path target = fs::canonical(file, ec);
    if (ec) target = file;
    const std::u8string name8 = target.filename().u8string();
    const std::string name(name8.begin(), name8.end());
    if (name.empty()) return {};
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::vector<fs::path> folders = {dir};
    // Compared by name: std::filesystem::equivalent cannot tell files apart on every system.
    if (const fs::path tmp = fs::temp_directory_path(ec); !ec && fs::weakly_canonical(tmp, ec) != fs::weakly_canonical(dir, ec))
        folders.push_back(tmp);

    std::vector<std::pair<fs::file_time_type, fs::path>> found;
    for (const fs::path& folder : folders) {
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::u8string entry8 = it->path().filename().u8string();
            if (!IsBackupOf(std::string(entry8.begin(), entry8.end()), name) || !it->is_regular_file(ec)) continue;
            found.emplace_back(it->last_write_time(ec), it->path());
        }
        ec.clear();
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

SaveResult SaveFileSafely(const std::filesystem::path& path, const std::byte* data, std::size_t size)
{
    SaveResult r = SaveOnThisSystem(path, data, size);
    for (std::filesystem::path& b : LeftBackupsOf(path))
        if (b.filename() != r.backupPath.filename()) r.earlierBackups.push_back(std::move(b));
    return r;
}
