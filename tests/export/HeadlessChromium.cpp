// Headless Chromium driver for the page tests.
#include "HeadlessChromium.h"

#include "support/TestSupport.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <charconv>
#include <sstream>

namespace lumara::test {

BrowserRun runChromium(const std::vector<std::string>& extraArgs, const std::string& url, int timeoutSeconds)
{
    QTemporaryDir profile;
    std::vector<std::string> args = {"--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader",
                                     "--disable-quic", "--no-first-run", "--disable-background-networking",
                                     "--disable-component-update", "--disable-sync", "--force-device-scale-factor=1",
                                     "--allow-file-access-from-files", "--enable-logging=stderr", "--v=0",
                                     "--user-data-dir=" + profile.path().toStdString()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    args.push_back(url);
    const ProcessResult result = runProcess(kChromiumBinary, args, {}, timeoutSeconds);
    return {result.exitCode, result.out, result.err};
}

std::vector<std::string> scriptErrors(const std::string& log)
{
    std::vector<std::string> errors;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (line.find("CONSOLE") != std::string::npos && line.find("Uncaught") != std::string::npos) errors.push_back(line);
    return errors;
}

std::string preText(const std::string& dom, const std::string& id)
{
    const std::string open = "<pre id=\"" + id + "\">";
    const auto start = dom.find(open);
    if (start == std::string::npos) return {};
    const auto end = dom.find("</pre>", start);
    return end == std::string::npos ? std::string() : dom.substr(start + open.size(), end - start - open.size());
}

QImage imageFromDataUrl(const std::string& url)
{
    const std::string prefix = "data:image/png;base64,";
    if (url.compare(0, prefix.size(), prefix) != 0) return {};
    const QByteArray bytes = QByteArray::fromBase64(QByteArray::fromStdString(url.substr(prefix.size())));
    return QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGBA8888);
}

std::string framesPage(const std::vector<Frame>& frames)
{
    std::string page = "<!DOCTYPE html>\n<html><body style=\"margin:0\">\n";
    for (const Frame& frame : frames) {
        std::string escaped;
        for (char c : frame.html) escaped += c == '&' ? std::string("&amp;") : c == '"' ? std::string("&quot;") : std::string(1, c);
        char side[64];
        const auto end = std::to_chars(side, side + sizeof side, frame.side).ptr;
        const std::string css(side, end);
        page += "<iframe id=\"" + frame.id + "\" style=\"display:block;border:0;width:" + css + "px;height:" + css +
                "px\" srcdoc=\"" + escaped + "\"></iframe>\n<pre id=\"" + frame.id + "-out\"></pre>\n";
    }
    return page + "</body></html>\n";
}

std::string withScriptAtEnd(const std::string& page, const std::string& script)
{
    const auto at = page.rfind("</script>");
    if (at == std::string::npos) return page;
    return page.substr(0, at) + script + page.substr(at);
}

} // namespace lumara::test
