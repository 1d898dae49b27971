// Design codes: a whole project as one line of text a person can copy, paste and mail. Pure
// functions of their arguments; thread-safe. The decoder takes untrusted text: it bounds the text
// before decoding and the record after inflating, and never throws.
#pragma once

#include "document/ProjectCodec.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace lumara {

// The form of a code: "lumara1." and then the compact JSON project record (encodeProject with
// Container::json), compressed as a zlib stream (RFC 1950: DEFLATE with an Adler-32 check, so a
// mistyped character is caught rather than read as another design), in base64url without padding
// (RFC 4648 section 5: A-Z a-z 0-9 - _). A newer form will raise the number after "lumara".
inline constexpr int kDesignCodeVersion = 1;
inline constexpr std::string_view kDesignCodePrefix = "lumara1.";

// The longest code the decoder reads, not counting whitespace: the base64 of the largest record
// kept in stored deflate blocks (5 bytes of overhead per 65535), with room to spare.
inline constexpr std::size_t kMaxDesignCodeChars = (kMaxRecordBytes + kMaxRecordBytes / 1024 + 64) / 3 * 4 + 64;
// The longest pasted text the decoder looks at, whitespace included: the longest code wrapped and
// indented many times over still fits.
inline constexpr std::size_t kMaxDesignCodeTextBytes = 2 * kMaxDesignCodeChars;
// The record a code may unpack to is bounded as every other reader bounds it: kMaxRecordBytes.

// The code of `project`. The same project gives the same code byte for byte. Fails as
// encodeProject does (a project beyond ProjectLimits.h, a number that is not finite).
[[nodiscard]] Result<std::string, CodecError> encodeDesignCode(const OrbProjectData& project);

// The project a code holds, with its selection limited to the last state as every reader limits
// it. ASCII whitespace anywhere in `text` is ignored, so a code wrapped by a mail program or pasted
// with line breaks still reads. One-line English messages on failure:
//   notDesignCode  the text does not start with "lumara<version>."
//   newerVersion   a version after kDesignCodeVersion
//   tooLarge       longer than the bounds above, or unpacking to more than kMaxRecordBytes
//   notParseable   a character outside base64url, a truncated or altered stream
//   (any other)    the record inside fails the project schema, as decodeProject says
[[nodiscard]] Result<OrbProjectData, CodecError> decodeDesignCode(std::string_view text);

// True when `text`, ignoring ASCII whitespace, starts with "lumara", one or more digits and a
// point: text meant as a design code of some version, which decodeDesignCode then reads or refuses.
// A project file (JSON, property list, image, video) never starts so.
[[nodiscard]] bool looksLikeDesignCode(std::string_view text);

} // namespace lumara
