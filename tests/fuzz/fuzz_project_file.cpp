// libFuzzer target: opening a file as the document does (container chosen by content, project
// record or single configuration).
#include "document/ProjectCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto opened = lumara::decodeProjectFile(std::string_view(reinterpret_cast<const char*>(data), size), 0.6);
    if (opened && opened->project.states.empty()) __builtin_trap(); // an opened project always has a state
    return 0;
}
