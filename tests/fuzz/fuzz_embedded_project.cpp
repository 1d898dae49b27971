// libFuzzer target: the chunk reader and envelope decoder behind opening an exported image. The
// input is used both as a whole file and as the text of our chunk inside a valid PNG.
#include "document/EmbeddedProject.h"
#include "document/ProjectCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89"
                                  "\0\0\0\0IEND\xae\x42\x60\x82",
                                  45);
    for (const std::string& file : {std::string(kPng.substr(0, 8)) + std::string(bytes), lumara::embedInPng(kPng, bytes)}) {
        auto opened = lumara::decodeProjectFile(file, 0.6);
        if (opened && opened->project.states.empty()) __builtin_trap(); // an opened project always has a state
    }
    return 0;
}
