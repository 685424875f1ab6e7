#include "gbk.h"

#include <iconv.h>

#include <cerrno>

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// One descriptor per direction and thread, reset before every field so that no shift state can
// carry over from one name to the next. "CP936" is the name of the Windows code page; glibc
// knows it as an alias of its GBK table, which maps 0x80 to the euro sign as Windows does.
class Converter {
public:
    Converter(const char* to, const char* from, const char* altTo, const char* altFrom)
    {
        m_cd = ::iconv_open(to, from);
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            m_cd = ::iconv_open(altTo, altFrom);
    }
    ~Converter()
    {
        if (Ok())
            ::iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    void Reset() { ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }
    std::size_t Run(char** in, std::size_t* inLeft, char** out, std::size_t* outLeft)
    {
        return ::iconv(m_cd, in, inLeft, out, outLeft);
    }

private:
    iconv_t m_cd;
};

Converter& Decoder()
{
    thread_local Converter c("UTF-8", "CP936", "UTF-8", "GBK");
    return c;
}

Converter& Encoder()
{
    thread_local Converter c("CP936", "UTF-8", "GBK", "UTF-8");
    return c;
}

bool IsAscii(std::string_view s)
{
    for (unsigned char ch : s)
        if (ch >= 0x80)
            return false;
    return true;
}

// Decodes `gbk`; every byte that starts no valid character becomes one U+FFFD and decoding
// resumes at the next byte, so an ASCII byte after a stray lead byte is kept. Returns whether
// everything decoded.
bool Decode(std::string_view gbk, std::string* out)
{
    if (IsAscii(gbk)) {
        if (out)
            out->assign(gbk);
        return true;
    }
    Converter& cv = Decoder();
    bool valid = true;
    if (!cv.Ok()) {
        // Without a converter only ASCII can be shown faithfully.
        for (unsigned char ch : gbk) {
            if (ch < 0x80) {
                if (out)
                    out->push_back(static_cast<char>(ch));
            } else {
                valid = false;
                if (out)
                    out->append(kReplacementUtf8);
            }
        }
        return valid;
    }
    cv.Reset();
    char* in = const_cast<char*>(gbk.data());  // iconv's signature; the input is not written
    std::size_t inLeft = gbk.size();
    char buf[256];
    while (inLeft > 0) {
        char* o = buf;
        std::size_t oLeft = sizeof buf;
        const std::size_t r = cv.Run(&in, &inLeft, &o, &oLeft);
        if (out)
            out->append(buf, static_cast<std::size_t>(o - buf));
        if (r != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a lead byte cut off at the end.
        valid = false;
        if (!out)
            return false;
        out->append(kReplacementUtf8);
        ++in;
        --inLeft;
        cv.Reset();
    }
    return valid;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk)
{
    std::string out;
    out.reserve(gbk.size() * 3 / 2 + 4);
    Decode(gbk, &out);
    return out;
}

bool IsValidGbk(std::string_view gbk) { return Decode(gbk, nullptr); }

std::optional<std::string> Utf8ToGbk(std::string_view utf8)
{
    if (IsAscii(utf8))
        return std::string(utf8);
    Converter& cv = Encoder();
    if (!cv.Ok())
        return std::nullopt;
    cv.Reset();
    std::string out;
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char buf[256];
    while (inLeft > 0) {
        char* o = buf;
        std::size_t oLeft = sizeof buf;
        const std::size_t r = cv.Run(&in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<std::size_t>(o - buf));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            return std::nullopt;  // unmappable character, or not UTF-8
        }
        // A non-zero count means iconv substituted something; nothing may be substituted.
        if (r != 0)
            return std::nullopt;
    }
    return out;
}
