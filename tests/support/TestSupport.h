// Helpers shared by the tests: temporary folders, file bytes, running the lumara binary.
#pragma once

#include <QCoreApplication>
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

// The process's one QCoreApplication, for tests of event-driven code without a GUI; made on first use.
inline QCoreApplication& coreApplication()
{
    static int argc = 1;
    static char name[] = "lumara-tests";
    static char* argv[] = {name, nullptr};
    static auto* application = new QCoreApplication(argc, argv); // lives until the process ends
    return *application;
}

// Path of the built `lumara` executable.
std::string lumaraBinary();

// Expects a command's failure as users see it: a non-zero exit and exactly one line on standard
// error, starting with `prefix` and containing `mentions`. `context` names the case in messages.
void expectOneErrorLine(const ProcessResult& run, const std::string& context, const std::string& mentions = {},
                        const std::string& prefix = "lumara: ");

// Arguments joined by spaces, for messages.
std::string joined(const std::vector<std::string>& args);

} // namespace lumara::test
