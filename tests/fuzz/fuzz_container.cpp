// libFuzzer target for one container's decoders (project and single configuration). Built twice:
// FUZZ_CONTAINER is lumara::Container::propertyList for fuzz_plist and ::json for fuzz_json.
#include "document/ProjectCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr lumara::Container container = FUZZ_CONTAINER;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto project = lumara::decodeProject(bytes, container);
    if (project) {
        // Whatever decodes must encode again and decode to the same project.
        auto again = lumara::encodeProject(*project, container);
        if (!again || !(*lumara::decodeProject(*again, container) == *project)) __builtin_trap();
    }
    (void)lumara::decodeConfiguration(bytes, container);
    return 0;
}
