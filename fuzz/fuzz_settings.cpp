// The settings reader on any bytes (GBK or UTF-8, any line structure).
#include "settings.h"

#include <climits>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CProfileFile profile = CProfileFile::FromBytes(bytes);
    for (const char* key : {"Mosi", "Sck", "Rst", "Miso", "a", ""}) {
        (void)profile.GetString("Port", key);
        (void)profile.GetInt("Port", key, -1);
    }
    const int v = ParseProfileInt(bytes);
    if (bytes.find_first_of("123456789") == std::string_view::npos && v != 0)
        std::abort();
    return 0;
}
