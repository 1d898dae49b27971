// libFuzzer target: a pasted design code. Whatever decodes must encode again to a code that
// decodes to the same project.
#include "document/DesignCode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto project = lumara::decodeDesignCode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!project) return 0;
    if (project->states.empty()) __builtin_trap(); // a decoded code always has a state
    auto code = lumara::encodeDesignCode(*project);
    if (!code) __builtin_trap(); // whatever was read can be written
    auto again = lumara::decodeDesignCode(*code);
    if (!again || !(*again == *project)) __builtin_trap();
    return 0;
}
