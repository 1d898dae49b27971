// Helpers shared by the tests: temporary folders, file bytes, running the lumara binary.
#pragma once

#include <QTemporaryDir>

#include <string>
#include <vector>

namespace lumara::test {

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program with arguments (no shell), optional stdin, and a time limit in seconds.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input = {},
                         int timeoutSeconds = 120, const std::vector<std::pair<std::string, std::string>>& env = {});

// Path of the built `lumara` executable.
std::string lumaraBinary();

} // namespace lumara::test
