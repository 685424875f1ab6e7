#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "profile.h"
#include "settingswords.h"

// Read-only access to a Windows-style initialisation file ([section] lines, key=value lines), as
// the settings file "QorelIsp.ini" is written: in GBK like the files shipped with the cable, in
// UTF-8 (with or without a byte-order mark) as Linux editors write it, or in UTF-16 with a
// byte-order mark as Windows' Notepad saves "Unicode". Without a UTF-16 mark the encoding is
// chosen per line (valid UTF-8, else GBK), so that one GBK comment in a UTF-8 file spoils no
// other line. Lines are read whole, whatever their length; only '=' separates a key from its value.
//
// Lookups follow the Windows profile functions: section and key names match without regard to
// ASCII case and surrounding blanks; the first occurrence of a key wins, also across repeated
// sections of the same name. A missing file is simply an empty profile.
class CProfileFile {
public:
    CProfileFile() = default;
    static CProfileFile Load(const std::string& path);
    static CProfileFile FromBytes(std::string_view bytes);

    bool Empty() const { return m_values.empty(); }
    std::optional<std::string> GetString(std::string_view section, std::string_view key) const;
    // The key's value as a decimal integer (ParseProfileInt), or `def` when the file, the section
    // or the key is missing or the value is empty.
    int GetInt(std::string_view section, std::string_view key, int def) const;

private:
    static std::string Fold(std::string_view name);
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

// The settings file of the Qorel Isp cable, looked for in g_strAppDir.
inline constexpr const char* QOREL_ISP_INI = "QorelIsp.ini";

// dir + name when that is a regular file, else dir + the directory's entry whose name matches
// `name` without regard to ASCII case (the smallest such name), as Windows finds a file in a
// folder; nothing when there is none. `dir` ends with a separator or is empty (working directory).
std::optional<std::string> FindFileIgnoringCase(const std::string& dir, std::string_view name);
