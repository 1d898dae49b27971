// The Unicode property tables that replace \p{...} escapes in the bundled script, computed from
// the Unicode data Qt carries. Pure; any thread.
#pragma once

#include "highlight/bundle/BundleTransform.h"

#include <vector>

namespace lumara::highlight::bundle {

// L (letters), P (punctuation), S (symbols), and XID_Start / XID_Continue approximated from the
// general categories: letters and letter numbers (Nl) start an identifier; marks (Mn, Mc), decimal
// digits (Nd) and connector punctuation (Pc) may continue one. The few Other_ID_Start and
// Other_ID_Continue code points (U+2118, U+00B7, ...) are not included.
std::vector<UnicodeProperty> bundledUnicodeProperties();

} // namespace lumara::highlight::bundle
