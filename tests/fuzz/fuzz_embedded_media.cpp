// libFuzzer target: the GIF block, ISO box and Matroska element walkers behind opening an exported
// GIF or video. The input is used as a whole file, as the body behind each container's signature,
// and as the record inside each container.
#include "document/EmbeddedInMedia.h"
#include "document/ProjectCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using lumara::MediaKind;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string files[] = {
        bytes,
        "GIF89a" + bytes,
        std::string("\x1A\x45\xDF\xA3", 4) + bytes,
        std::string("\0\0\0\x08" "ftyp", 8) + bytes,
        lumara::minimalMediaWithProject(MediaKind::gif, bytes),
        lumara::minimalMediaWithProject(MediaKind::isoMedia, bytes),
        lumara::minimalMediaWithProject(MediaKind::matroska, bytes),
    };
    for (const std::string& file : files) {
        auto opened = lumara::decodeProjectFile(file, 0.6);
        if (opened && opened->project.states.empty()) __builtin_trap(); // an opened project always has a state
    }
    return 0;
}
