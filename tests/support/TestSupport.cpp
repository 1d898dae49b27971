// Helpers shared by the tests.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace lumara::test {

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                         int timeoutSeconds, const std::vector<std::pair<std::string, std::string>>& env)
{
    QProcess process;
    QStringList arguments;
    for (const auto& a : args) arguments << QString::fromStdString(a);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [k, v] : env) environment.insert(QString::fromStdString(k), QString::fromStdString(v));
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(program), arguments);
    ProcessResult result;
    if (!process.waitForStarted(10000)) return result;
    if (!input.empty()) process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
        result.err = "timed out";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

std::string lumaraBinary() { return std::string(LUMARA_BINARY_DIR) + "/lumara"; }

void expectOneErrorLine(const ProcessResult& run, const std::string& context, const std::string& mentions,
                        const std::string& prefix)
{
    EXPECT_NE(run.exitCode, 0) << context;
    EXPECT_EQ(run.err.rfind(prefix, 0), 0u) << context << "\n" << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << context << "\n" << run.err;
    EXPECT_NE(run.err.find(mentions), std::string::npos) << context << "\n" << run.err;
}

std::string joined(const std::vector<std::string>& args)
{
    std::string out;
    for (const auto& a : args) out += (out.empty() ? "" : " ") + a;
    return out;
}

} // namespace lumara::test
