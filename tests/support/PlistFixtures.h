// Records written and read by an independent implementation (Python's plistlib), and
// hand-built hostile binary property lists.
#pragma once

#include <string>

namespace lumara::test {

// Runs a Python 3 script; returns its standard output, or fails the calling test.
std::string runPython(const std::string& script, const std::string& input = {});

// A JSON text of a complete configuration record, as Python writes it.
std::string pythonConfigurationLiteral();

// The binary property list plistlib writes for the Python expression `top`, after the statements
// `setup`; both may use `c`, a complete configuration record.
std::string plistlibBinary(const std::string& top, const std::string& setup = {});

} // namespace lumara::test
