// libFuzzer target: the binary property-list decoders (project and single configuration).
#include "document/ProjectCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto project = lumara::decodeProject(bytes, lumara::Container::propertyList);
    if (project) {
        // Whatever decodes must encode again and decode to the same project.
        auto again = lumara::encodeProject(*project, lumara::Container::propertyList);
        if (!again || !(*lumara::decodeProject(*again, lumara::Container::propertyList) == *project)) __builtin_trap();
    }
    (void)lumara::decodeConfiguration(bytes, lumara::Container::propertyList);
    return 0;
}
