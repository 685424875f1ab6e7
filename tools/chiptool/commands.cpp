#include "commands.h"

#include "csv.h"

#include "gbk.h"
#include "list_diff.h"
#include "list_formats.h"
#include "listfile.h"
#include "listops.h"
#include "name_text.h"
#include "process.h"
#include "records_text.h"
#include "recordtext.h"
#include "safesave.h"
#include "userpath.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <istream>
#include <streambuf>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>

#ifndef CHIPTOOL_VERSION
#define CHIPTOOL_VERSION "1.0.0.1"
#endif

namespace fs = std::filesystem;

namespace {

struct CommandLine {
    std::string command;
    std::vector<std::string> files;
    std::optional<std::string> output;
    std::optional<std::string> format;
    bool keepDuplicates = false;
    bool dropUnread = false;
    bool byteOrderMark = false;
    bool help = false;
    bool version = false;
};

struct UsageError {
    std::string message;
};

std::string SysError(int err) { return err ? std::strerror(err) : "unknown error"; }

// A file name as the user's terminal shows it: UTF-8 on both systems.
std::string PathText(const std::filesystem::path& p)
{
    const std::u8string text = p.u8string();
    return std::string(text.begin(), text.end());
}

std::string LeftBackupText(const std::filesystem::path& backup)
{
    return "a backup of an interrupted save lies at " + PathText(backup) +
           "; it holds the list from before that save (see it with chiptool show, copy it over the file to get it back)";
}

// Parses the words after the program name. Options may stand anywhere; "--" ends them.
std::optional<UsageError> ParseCommandLine(const std::vector<std::string>& args, CommandLine& cl)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string_view opt, std::optional<std::string>& slot) -> std::optional<UsageError> {
            std::string v;
            if (a.size() > opt.size() && a.compare(0, opt.size(), opt) == 0 && a[opt.size()] == '=') {
                v = a.substr(opt.size() + 1);
            } else if (i + 1 < args.size()) {
                v = args[++i];
            } else {
                return UsageError{"option " + std::string(opt) + " needs a value"};
            }
            if (slot) return UsageError{"option " + std::string(opt) + " given twice"};
            slot = v;
            return std::nullopt;
        };
        auto is = [&](std::string_view opt) {
            return a == opt || (a.size() > opt.size() && a.compare(0, opt.size(), opt) == 0 && a[opt.size()] == '=');
        };
        std::optional<UsageError> bad;
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            if (cl.command.empty())
                cl.command = a;
            else
                cl.files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help") {
            cl.help = true;
        } else if (a == "--version") {
            cl.version = true;
        } else if (a == "-o" || is("--output")) {
            bad = value(a == "-o" ? "-o" : "--output", cl.output);
        } else if (is("--format")) {
            bad = value("--format", cl.format);
        } else if (a == "--keep-duplicates") {
            cl.keepDuplicates = true;
        } else if (a == "--drop-unread") {
            cl.dropUnread = true;
        } else if (a == "--bom") {
            cl.byteOrderMark = true;
        } else {
            bad = UsageError{"unknown option " + a};
        }
        if (bad) return bad;
    }
    return std::nullopt;
}

// The message with which the editor would refuse the record if OK were pressed on it unchanged.
const char* EditorRefusal(const DeviceRecord& rec)
{
    DeviceRecord scratch = rec;
    const std::optional<DeviceFieldFault> fault = TextsToRecord(RecordToTexts(rec), scratch);
    return fault ? fault->message : nullptr;
}

// A text file (or standard input for "-") read in blocks as the parser asks for them, so that
// its text is never held whole. No text of a list holds a NUL byte, so one ends the reading at
// once (a device such as /dev/zero would otherwise be read for ever).
class TextInput : public std::streambuf {
public:
    explicit TextInput(std::FILE* file) : m_file(file) {}
    ~TextInput() override { std::fclose(m_file); }
    TextInput(const TextInput&) = delete;
    TextInput& operator=(const TextInput&) = delete;

    std::optional<std::uint64_t> NulAt() const { return m_nulAt; }  // its offset, when one was met
    int ReadError() const { return m_error; }                          // errno of a failed read, or 0

protected:
    int_type underflow() override
    {
        if (m_stopped) return traits_type::eof();
        const std::size_t n = std::fread(m_buf, 1, sizeof m_buf, m_file);
        if (n == 0) {
            m_error = std::ferror(m_file) ? errno : 0;
            m_stopped = true;
            return traits_type::eof();
        }
        std::size_t take = n;
        if (const void* nul = std::memchr(m_buf, 0, n)) {
            take = static_cast<std::size_t>(static_cast<const char*>(nul) - m_buf);
            m_nulAt = m_read + take;
            m_stopped = true;
        }
        m_read += take;
        if (take == 0) return traits_type::eof();
        setg(m_buf, m_buf, m_buf + take);
        return traits_type::to_int_type(m_buf[0]);
    }

private:
    std::FILE* m_file;
    char m_buf[65536];
    std::uint64_t m_read = 0;
    std::optional<std::uint64_t> m_nulAt;
    int m_error = 0;
    bool m_stopped = false;
};

class Tool {
public:
    Tool(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    int Run(const CommandLine& cl);

    int Show(const CommandLine& cl);
    int Export(const CommandLine& cl);
    int Import(const CommandLine& cl);
    int Merge(const CommandLine& cl);
    int Dedupe(const CommandLine& cl);
    int Tidy(const CommandLine& cl);
    int Check(const CommandLine& cl);
    int Diff(const CommandLine& cl);

private:
    // Reads a list file and appends its records. Short or odd files are warned about (unless
    // `quiet`); an unreadable file is an error.
    bool Load(const std::string& path, DeviceList& list, ReadResult* result = nullptr, bool quiet = false);
    bool Save(const std::string& path, const DeviceList& list, std::size_t removed, bool reportRemoved);
    // Exit code when writing `output` would drop what the reader did not take from an input it
    // replaces; 0 when it may be written.
    int RefuseToDropUnread(const CommandLine& cl) const;

    std::ostream& m_out;
    std::ostream& m_err;
    RecordStorage m_storage;  // every record read lives here until the command ends
    struct Loaded {
        std::string path;
        ListFileLayout layout;
    };
    std::vector<Loaded> m_loaded;  // the list files read, for the check before an input is replaced
};

// Bytes of a list file that were not taken as records: after the counted records, a partial
// record at the end of a short file, or all of a file too short for its header.
std::size_t UnreadBytes(const ListFileLayout& l)
{
    if (!l.headerComplete) return l.fileSize;
    const std::size_t taken = ListImageSize(l.recordsPresent);
    return l.countExceedsData ? l.fileSize - taken : l.trailingBytes;
}

bool Tool::Load(const std::string& path, DeviceList& list, ReadResult* resultOut, bool quiet)
{
    const ReadResult r = path == "-" ? ReadListFile({}, m_storage, list, ReadSource::StandardInput)
                                     : ReadListFile(PathFromUserText(path), m_storage, list, ReadSource::AnyFile);
    if (resultOut) *resultOut = r;
    if (r.error == ReadError::None && path != "-") m_loaded.push_back({path, r.layout});
    if (r.error == ReadError::Open) {
        m_err << "chiptool: cannot open " << path << ": " << SysError(r.sysErrno) << '\n';
        return false;
    }
    if (r.error == ReadError::Read || r.error == ReadError::NotRegular) {
        m_err << "chiptool: cannot read " << path << ": " << SysError(r.sysErrno) << '\n';
        return false;
    }
    if (quiet) return true;
    if (path != "-")
        for (const std::filesystem::path& b : LeftBackupsOf(PathFromUserText(path)))
            m_err << "chiptool: warning: " << path << ": " << LeftBackupText(b) << '\n';
    const ListFileLayout& l = r.layout;
    if (!l.headerComplete) {
        m_err << "chiptool: warning: " << path << ": only " << l.fileSize
              << " bytes, shorter than the 8-byte header; 0 records taken\n";
    } else if (l.countExceedsData) {
        m_err << "chiptool: warning: " << path << ": file is short: " << l.recordsPresent << " of "
              << l.count << " declared records taken\n";
    } else if (l.count < 0) {
        m_err << "chiptool: warning: " << path << ": record count is negative (" << l.count
              << "); 0 records taken\n";
    }
    if (l.trailingBytes > 0) {
        m_err << "chiptool: warning: " << path << ": " << l.trailingBytes
              << " bytes after the counted records ignored\n";
    }
    return true;
}

int Tool::RefuseToDropUnread(const CommandLine& cl) const
{
    if (cl.dropUnread || !cl.output || *cl.output == "-") return kExitDone;
    for (const Loaded& in : m_loaded) {
        const std::size_t unread = UnreadBytes(in.layout);
        std::error_code ec;
        if (unread == 0 || !fs::equivalent(PathFromUserText(*cl.output), PathFromUserText(in.path), ec)) continue;
        m_err << "chiptool: " << *cl.output << " would replace " << in.path << ", of which " << unread
              << " bytes were not read as records (" << unread / kRecordSize
              << " whole records' worth); nothing written. --drop-unread writes it anyway.\n";
        return kExitFindings;
    }
    return kExitDone;
}

bool Tool::Save(const std::string& path, const DeviceList& list, std::size_t removed, bool reportRemoved)
{
    if (path == "-") {
        const std::vector<std::byte> image = BuildListImage(list);
        m_out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        m_out.flush();
        if (!m_out) {
            m_err << "chiptool: cannot write to standard output\n";
            return false;
        }
        m_err << "chiptool: -: " << list.Count() << " records written";
        if (reportRemoved) m_err << ", " << removed << " duplicates removed";
        m_err << '\n';
        return true;
    }
    const WriteResult w = WriteListFile(PathFromUserText(path), list);
    if (!w.ok) {
        m_err << "chiptool: cannot write " << path << " (" << w.detail;
        if (w.sysErrno != 0) m_err << ": " << std::strerror(w.sysErrno);
        m_err << ")";
        if (w.targetDamaged)
            m_err << "; the file was written in place and may be damaged; the old list is kept in "
                  << PathText(w.backupPath);
        else if (w.targetExisted)
            m_err << "; the file is unchanged";
        m_err << '\n';
    } else {
        m_err << "chiptool: " << path << ": " << list.Count() << " records written";
        if (reportRemoved) m_err << ", " << removed << " duplicates removed";
        m_err << '\n';
    }
    if (!w.targetDamaged && !w.backupPath.empty())
        m_err << "chiptool: warning: " << path << ": the copy of the old list made for this save, "
              << PathText(w.backupPath) << ", could not be removed\n";
    for (const std::filesystem::path& b : w.earlierBackups)
        m_err << "chiptool: warning: " << path << ": " << LeftBackupText(b) << "; it was kept\n";
    return w.ok;
}

int Tool::Show(const CommandLine& cl)
{
    DeviceList list;
    if (!Load(cl.files[0], list)) return kExitIo;
    std::string buf = ShowHeader();
    buf += '\n';
    for (std::size_t i = 0; i < list.Count(); ++i) {
        buf += ShowLine(i, *list[i]);
        buf += '\n';
        if (buf.size() >= (1u << 20)) {
            m_out << buf;
            buf.clear();
        }
    }
    m_out << buf;
    return kExitDone;
}

int Tool::Export(const CommandLine& cl)
{
    DeviceList list;
    if (!Load(cl.files[0], list)) return kExitIo;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        if (NameLacksNul(*list[i]))
            m_err << "chiptool: warning: record " << FormatRowNumber(i)
                  << ": name fills all 20 bytes without a NUL; import will refuse it\n";
        else if (const char* refusal = EditorRefusal(*list[i]))
            m_err << "chiptool: warning: record " << FormatRowNumber(i) << ": the editor refuses it (" << refusal
                  << "); import will refuse it\n";
    }
    const TextFormat format = cl.format ? *TextFormatFromName(*cl.format) : TextFormat::Csv;
    if (cl.byteOrderMark) m_out << kUtf8ByteOrderMark;
    if (format == TextFormat::Json)
        WriteJson(m_out, list);
    else
        WriteCsv(m_out, list);
    return kExitDone;
}

int Tool::Import(const CommandLine& cl)
{
    const std::string& in = cl.files[0];
    std::optional<TextFormat> format = cl.format ? TextFormatFromName(*cl.format) : TextFormatFromPath(in);
    if (!format) {
        m_err << "chiptool: import: cannot tell the format of " << in << " by its extension; use --format csv|json\n";
        return kExitUsage;
    }
    std::FILE* file = OpenTextInput(in);
    if (!file) {
        m_err << "chiptool: cannot open " << in << ": " << SysError(errno) << '\n';
        return kExitIo;
    }
    TextInput text(file);
    std::istream stream(&text);
    ParsedList parsed = *format == TextFormat::Json ? ParseJson(stream) : ParseCsv(stream);
    if (text.ReadError() != 0) {
        m_err << "chiptool: cannot read " << in << ": " << SysError(text.ReadError()) << '\n';
        return kExitIo;
    }
    if (text.NulAt()) {
        m_err << "chiptool: " << in << ": byte " << *text.NulAt() << " is NUL: not CSV or JSON text; nothing written\n";
        return kExitFindings;
    }
    if (parsed.errorCount != 0) {
        for (const RowError& e : parsed.errors)
            m_err << "chiptool: " << in << ": " << e.where << ": " << e.message << '\n';
        if (parsed.errorCount > parsed.errors.size())
            m_err << "chiptool: " << in << ": " << parsed.errorCount - parsed.errors.size() << " more bad rows\n";
        m_err << "chiptool: " << parsed.errorCount << " bad rows; nothing written\n";
        return kExitFindings;
    }
    DeviceList list;
    list.Reserve(parsed.records.size());
    for (DeviceRecord& rec : parsed.records) list.Append(&rec);
    return Save(*cl.output, list, 0, false) ? kExitDone : kExitIo;
}

int Tool::Merge(const CommandLine& cl)
{
    DeviceList list;
    for (const std::string& path : cl.files)
        if (!Load(path, list)) return kExitIo;
    if (const int refused = RefuseToDropUnread(cl)) return refused;
    std::size_t removed = 0;
    if (!cl.keepDuplicates) removed = list.Count() - RemoveDuplicates(list);
    return Save(*cl.output, list, removed, !cl.keepDuplicates) ? kExitDone : kExitIo;
}

int Tool::Dedupe(const CommandLine& cl)
{
    DeviceList list;
    if (!Load(cl.files[0], list)) return kExitIo;
    if (const int refused = RefuseToDropUnread(cl)) return refused;
    const std::size_t removed = list.Count() - RemoveDuplicates(list);
    return Save(*cl.output, list, removed, true) ? kExitDone : kExitIo;
}

int Tool::Tidy(const CommandLine& cl)
{
    DeviceList list;
    if (!Load(cl.files[0], list)) return kExitIo;
    if (const int refused = RefuseToDropUnread(cl)) return refused;
    SortByTidyKey(list);
    return Save(*cl.output, list, 0, false) ? kExitDone : kExitIo;
}

int Tool::Check(const CommandLine& cl)
{
    const std::string& path = cl.files[0];
    DeviceList list;
    ReadResult r;
    if (!Load(path, list, &r, true)) return kExitIo;
    const ListFileLayout& l = r.layout;
    std::size_t findings = 0;
    auto finding = [&](const std::string& text) {
        m_out << path << ": " << text << '\n';
        ++findings;
    };
    if (!l.headerComplete) {
        finding(std::to_string(l.fileSize) + " bytes, shorter than the 8-byte header");
    } else {
        if (l.version != 1) finding("version word is " + std::to_string(l.version) + ", not 1");
        if (l.count < 0) finding("record count is negative (" + std::to_string(l.count) + ")");
        if (l.countExceedsData)
            finding("record count " + std::to_string(l.count) + " is larger than the data: " +
                    std::to_string(l.recordsPresent) + " complete records present");
        if (l.trailingBytes > 0)
            finding(std::to_string(l.trailingBytes) + " bytes after the counted records");
    }
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const DeviceRecord& rec = *list[i];
        if (NameLacksNul(rec)) finding("record " + FormatRowNumber(i) + ": name has no NUL in its 20 bytes");
        if (!IsValidGbk(RecordName(rec)))
            finding("record " + FormatRowNumber(i) + ": name does not decode as GBK: \"" +
                    EscapeName(RecordName(rec)) + "\"");
        // A name without NUL is reported above.
        if (const char* refusal = EditorRefusal(rec); refusal && !NameLacksNul(rec))
            finding("record " + FormatRowNumber(i) + ": the editor refuses it: " + refusal);
    }
    if (path != "-")
        for (const std::filesystem::path& b : LeftBackupsOf(PathFromUserText(path))) finding(LeftBackupText(b));
    for (const std::vector<std::size_t>& group : FindDuplicateGroups(list)) {
        std::string text = "duplicates: records";
        for (std::size_t k = 0; k < group.size(); ++k) text += (k ? ", " : " ") + FormatRowNumber(group[k]);
        const DeviceRecord& rec = *list[group.front()];
        text += " (name \"" + EscapeName(RecordName(rec)) + "\", signature " + FormatSignature(rec.signature) + ")";
        finding(text);
    }
    m_out << path << ": " << list.Count() << " records, ";
    if (findings == 0)
        m_out << "no findings\n";
    else
        m_out << findings << (findings == 1 ? " finding\n" : " findings\n");
    return findings == 0 ? kExitDone : kExitFindings;
}

int Tool::Diff(const CommandLine& cl)
{
    DeviceList oldList, newList;
    if (!Load(cl.files[0], oldList) || !Load(cl.files[1], newList)) return kExitIo;
    const std::vector<ListDifference> diffs = DiffLists(oldList, newList);
    std::size_t counts[3] = {0, 0, 0};
    std::string buf;
    if (!diffs.empty()) buf = "  " + ShowHeader() + '\n';
    for (const ListDifference& d : diffs) {
        ++counts[static_cast<int>(d.kind)];
        switch (d.kind) {
        case ListDifference::Kind::Added:
            buf += "+ " + ShowLine(d.newRow, *newList[d.newRow]) + '\n';
            break;
        case ListDifference::Kind::Removed:
            buf += "- " + ShowLine(d.oldRow, *oldList[d.oldRow]) + '\n';
            break;
        case ListDifference::Kind::Changed:
            buf += "~ " + ShowLine(d.newRow, *newList[d.newRow]) + "\n    was " + FormatRowNumber(d.oldRow) + ": " +
                   ChangedFieldsText(*oldList[d.oldRow], *newList[d.newRow]) + '\n';
            break;
        }
        if (buf.size() >= (1u << 20)) {
            m_out << buf;
            buf.clear();
        }
    }
    m_out << buf;
    m_err << "chiptool: " << counts[0] << " added, " << counts[1] << " removed, " << counts[2] << " changed\n";
    return diffs.empty() ? kExitDone : kExitFindings;
}

// Every command: what it takes, and what runs it. The command line is checked and the command
// run from this one table.
struct Command {
    std::string_view name;
    std::size_t files;  // 0 = one or more
    bool needsOutput;
    bool takesFormat;
    bool takesKeep;
    int (Tool::*run)(const CommandLine&);
};
constexpr Command kCommands[] = {
    {"show", 1, false, false, false, &Tool::Show},     {"export", 1, false, true, false, &Tool::Export},
    {"import", 1, true, true, false, &Tool::Import},   {"merge", 0, true, false, true, &Tool::Merge},
    {"dedupe", 1, true, false, false, &Tool::Dedupe},  {"tidy", 1, true, false, false, &Tool::Tidy},
    {"check", 1, false, false, false, &Tool::Check},   {"diff", 2, false, false, false, &Tool::Diff},
};

const Command* FindCommand(std::string_view name)
{
    for (const Command& c : kCommands)
        if (c.name == name) return &c;
    return nullptr;
}

// Checks that the command got what it needs and nothing that it would silently ignore.
std::optional<UsageError> ValidateCommandLine(const CommandLine& cl)
{
    if (cl.command.empty()) return UsageError{"no command given"};
    const Command* shape = FindCommand(cl.command);
    if (!shape) return UsageError{"unknown command " + cl.command};
    if (cl.files.empty()) return UsageError{cl.command + ": no input file given"};
    if (shape->files == 1 && cl.files.size() > 1) return UsageError{cl.command + ": takes one input file"};
    if (shape->files == 2 && cl.files.size() != 2) return UsageError{cl.command + ": takes two input files"};
    // A pipe can be read once only; the second side would be empty.
    if (std::count(cl.files.begin(), cl.files.end(), "-") > 1)
        return UsageError{cl.command + ": standard input (-) can stand for one input only"};
    if (shape->needsOutput && !cl.output) return UsageError{cl.command + ": -o OUT.chip is required"};
    if (!shape->needsOutput && cl.output) return UsageError{cl.command + ": writes to standard output, -o is not taken"};
    if (cl.output && cl.output->empty()) return UsageError{cl.command + ": empty output file name"};
    if (!shape->takesFormat && cl.format) return UsageError{cl.command + ": --format is not taken"};
    if (cl.format && !TextFormatFromName(*cl.format))
        return UsageError{"unknown format " + *cl.format + " (csv or json)"};
    if (!shape->takesKeep && cl.keepDuplicates) return UsageError{cl.command + ": --keep-duplicates is not taken"};
    if (!shape->needsOutput && cl.dropUnread) return UsageError{cl.command + ": --drop-unread is not taken"};
    // A byte-order mark is what a spreadsheet needs of a CSV file; JSON is UTF-8 without one.
    if (cl.byteOrderMark && (cl.command != "export" || (cl.format && *cl.format != "csv")))
        return UsageError{cl.command + ": --bom is taken by export as CSV only"};
    return std::nullopt;
}

int Tool::Run(const CommandLine& cl)
{
    // Only a command line that ValidateCommandLine passed comes here: its command is in the table.
    return (this->*FindCommand(cl.command)->run)(cl);
}

}  // namespace

std::string ChiptoolHelp()
{
    return R"(Usage: chiptool COMMAND FILE... [OPTIONS]

Reads, converts and checks .chip device lists. An input FILE of - is standard input; a pipe
or device is read only as far as its header declares.

Commands:
  show FILE                   Print the list as the editor's window shows it: a header line,
                              then one line per record with the columns 序号 (%04d), name,
                              FID (%02x), ROM (%dK), voltage (%.2fV) and signature
                              (%02x %02x %02x), separated by two spaces; names are padded to
                              20 terminal columns. Names are printed in UTF-8; bytes that do not
                              decode as GBK, and control bytes, show as U+FFFD.
  export FILE [--format csv|json] [--bom]
                              Write the list to standard output as CSV (the default) or JSON.
                              A CSV cell that a spreadsheet would take for a formula (one
                              starting with =, +, -, @, a tab or CR) is written after an
                              apostrophe, so that it is read as text; import takes it off.
                              --bom starts the CSV with a UTF-8 byte-order mark, so that a
                              spreadsheet opens it with its Chinese names right.
  import IN.csv|IN.json -o OUT.chip [--format csv|json]
                              Build a list from CSV or JSON (format by extension unless
                              --format is given). Every bad row is reported with its CSV line
                              or JSON element index (from 0), and then nothing is written.
                              A row is checked as the editor's entry dialog checks a device,
                              with the dialog's message (请输入器件名称! ...); a JSON object
                              with a key given twice is a bad row.
  merge A.chip B.chip... -o OUT.chip [--keep-duplicates]
                              All records of the inputs in order, then duplicates (same name
                              and signature) removed keeping the first of each group.
  dedupe FILE -o OUT.chip     Remove duplicates, keeping the first of each group.
  tidy FILE -o OUT.chip       Sort by fid, then signature bytes 3, 2, 1 (stable).
  check FILE                  List every structural finding: file shorter than its header,
                              version word not 1, negative count, count larger than the data,
                              trailing bytes, names without NUL, names that are not GBK,
                              records the editor's entry dialog would refuse (empty name,
                              voltage inf or nan), duplicate groups, backups of interrupted
                              saves (FILE.~XXXXXXXX.bak beside it or in the temporary
                              folder). Exit 1 when there is any.
  diff OLD.chip NEW.chip      Devices added (+), removed (-) and changed (~) from OLD to NEW,
                              as `show` lines after a two-column mark: + and ~ with their row
                              in NEW, in NEW's order, then - with their row in OLD, in OLD's
                              order. A device is its name and signature; under each ~ line,
                              "was ROW:" gives its row in OLD and every changed field (FID,
                              ROM, 编程电压) with old and new value, the voltage exact. Moved
                              records, padding and name bytes after the NUL are no difference.
                              A name and signature held several times is paired in order of
                              occurrence (the 2nd in OLD with the 2nd in NEW). Prints nothing
                              when the lists hold the same devices; counts go to standard
                              error. Exit 0 same, 1 different.

Options:
  -o, --output FILE           Output list; may name an input; - is standard output. Only a
                              regular file (or a new name) is written, and only one the user
                              may write. It is replaced atomically (a failed write leaves it
                              as it was; ACL and extended attributes are kept), or written in
                              place when it has several hard links, an owner, group, ACL or
                              attribute that a new file could not keep, or a read-only folder.
                              Before an in-place write the old list is copied to
                              FILE.~XXXXXXXX.bak beside it (or in the temporary folder), which
                              is removed once the new list is on disk; when the write fails
                              and the old list cannot be put back, the message names it.
                              A backup left by an interrupted save holds the list from before
                              that save: every command that reads FILE names it on standard
                              error, and a save keeps it and names it. To get that list back,
                              look at it with show, then copy it over FILE.
                              When FILE is an input of which not everything was read (bytes
                              after the counted records, a damaged count), nothing is
                              written and the exit code is 1.
  --drop-unread               Replace such an input all the same, dropping what was not read.
  --format csv|json           Text format for export and import.
  --bom                       export: start the CSV with a UTF-8 byte-order mark.
  --keep-duplicates           merge: keep duplicates.
  -h, --help                  Show this help.
  --version                   Show the version.

Text formats:
  CSV has the header line name,fid,rom_kb,voltage,signature and one line per record (RFC 4180
  quoting; written with LF, read with LF or CRLF; a leading UTF-8 byte-order mark is skipped),
  e.g.
      AT89C51,07,4,5,1e 51 06
  A cell starting with =, +, -, @, a tab or CR, or with apostrophes and then one of those, is
  written after one more apostrophe ('-5, '=A1), which import takes off again.
  JSON is an array of objects with the same five keys, e.g.
      {"name":"AT89C51","fid":"07","rom_kb":4,"voltage":5.0,"signature":"1e 51 06"}
  name       UTF-8 text. Bytes that do not decode as GBK and control bytes are written as \xHH,
             a backslash as \\. At most 19 GBK bytes.
  fid        One byte in hex (read by the editor's hex rule: "", "7", "07", "Fe").
  rom_kb     Signed 32-bit decimal integer (blanks around and a sign allowed, as in the editor).
  voltage    Decimal float written with the fewest digits that read back as the same 32-bit
             float (3.3, 12, -0, 1e-07). Read from its text straight to a 32-bit float, in CSV
             and JSON alike (a JSON number or string); a number beyond the float range, or so
             small that it would read as 0, is refused, as are inf and nan, which the editor
             refuses too (export writes them as such, as strings in JSON, with a warning).
  signature  Three hex bytes separated by single spaces, index 0 first: 1e 52 06.
  Export followed by import gives back every record byte for byte, except that padding bytes
  and name bytes after the NUL come back as zero (as the editor writes them). A record the
  editor would refuse (an empty name, a name that fills all 20 bytes without a NUL, a voltage
  inf or nan: written by other programs) is exported but refused by import.

Exit codes: 0 done, 1 findings (check), bad rows (import), differences (diff) or an input
that would lose unread records,
2 usage error, 3 input/output error. Warnings (short or odd input files) and summaries go to
standard error.
)";
}

int RunChiptool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CommandLine cl;
    std::optional<UsageError> bad = ParseCommandLine(args, cl);
    if (!bad && cl.help) {
        out << ChiptoolHelp();
        return kExitDone;
    }
    if (!bad && cl.version) {
        out << "chiptool " CHIPTOOL_VERSION "\n";
        return kExitDone;
    }
    if (!bad) bad = ValidateCommandLine(cl);
    if (bad) {
        err << "chiptool: " << bad->message << "\nTry 'chiptool --help'.\n";
        return kExitUsage;
    }
    try {
        Tool tool(out, err);
        return tool.Run(cl);
    } catch (const std::bad_alloc&) {
        err << "chiptool: out of memory\n";
        return kExitIo;
    } catch (const std::exception& e) {
        err << "chiptool: " << e.what() << '\n';
        return kExitIo;
    }
}
