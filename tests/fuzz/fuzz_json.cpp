// libFuzzer target: the JSON decoders (autosave project record and legacy configuration record).
#include "document/ProjectCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto project = lumara::decodeProject(bytes, lumara::Container::json);
    if (project) {
        auto again = lumara::encodeProject(*project, lumara::Container::json);
        if (!again || !(*lumara::decodeProject(*again, lumara::Container::json) == *project)) __builtin_trap();
    }
    (void)lumara::decodeConfiguration(bytes, lumara::Container::json);
    return 0;
}
