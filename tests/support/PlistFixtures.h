// Records written and read by an independent implementation (Python's plistlib), and
// hand-built hostile binary property lists.
#pragma once

#include <string>

namespace lumara::test {

// Runs a Python 3 script; returns its standard output, or fails the calling test.
std::string runPython(const std::string& script, const std::string& input = {});

// A JSON text of a complete configuration record, as Python writes it.
std::string pythonConfigurationLiteral();

} // namespace lumara::test
