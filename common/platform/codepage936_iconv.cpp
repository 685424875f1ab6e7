// Code page 936 through iconv (glibc).
#include "codepage936.h"

#include <iconv.h>

#include <cerrno>

namespace {

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

}  // namespace

bool Cp936DecoderAvailable() { return Decoder().Ok(); }

bool Cp936ToUtf8Prefix(std::string_view& gbk, std::string& out)
{
    Converter& cv = Decoder();
    cv.Reset();
    char* in = const_cast<char*>(gbk.data());  // iconv's signature; the input is not written
    std::size_t inLeft = gbk.size();
    char buf[256];
    bool whole = true;
    while (inLeft > 0) {
        char* o = buf;
        std::size_t oLeft = sizeof buf;
        const std::size_t r = cv.Run(&in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<std::size_t>(o - buf));
        // EILSEQ, or EINVAL for a lead byte cut off at the end.
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            whole = false;
            break;
        }
    }
    gbk.remove_prefix(gbk.size() - inLeft);
    return whole;
}

bool Utf8ToCp936(std::string_view utf8, std::string& out)
{
    Converter& cv = Encoder();
    if (!cv.Ok())
        return false;
    cv.Reset();
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
            return false;  // unmappable character, or not UTF-8
        }
        // A non-zero count means iconv substituted something; nothing may be substituted.
        if (r != 0)
            return false;
    }
    return true;
}
