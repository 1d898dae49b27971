// Headless Chromium driver for the page tests.
#include "support/HeadlessChromium.h"

#include "support/TestSupport.h"

#include <QByteArray>
#include <QFile>
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

std::vector<std::string> decodeImagesInChromium(const std::vector<std::pair<std::string, std::string>>& images, std::string* log)
{
    std::string files;
    for (const auto& [type, data] : images)
        files += "['" + type + "', '" + QByteArray::fromStdString(data).toBase64().toStdString() + "'],";
    // The decoding runs off the page's thread, so a timer keeps virtual time from running out first.
    const std::string page = R"(<!doctype html><pre id="out"></pre><script>
let done = false;
(function poll() { if (!done) setTimeout(poll, 10); })();
(async () => {
  const lines = [];
  for (const [type, base64] of [)" + files + R"(]) {
    try {
      const decoder = new ImageDecoder({data: Uint8Array.from(atob(base64), c => c.charCodeAt(0)), type});
      await decoder.tracks.ready;
      const track = decoder.tracks.selectedTrack;
      let line = track.frameCount + ' ' + track.repetitionCount;
      for (let i = 0; i < track.frameCount; ++i) {
        const frame = (await decoder.decode({frameIndex: i})).image;
        const canvas = new OffscreenCanvas(frame.displayWidth, frame.displayHeight);
        canvas.getContext('2d').drawImage(frame, 0, 0);
        let hash = 0;
        for (const byte of canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data)
          hash = (Math.imul(hash, 31) + byte) >>> 0;
        line += ' ' + frame.duration + ':' + hash;
        frame.close();
      }
      lines.push(line);
    } catch (e) {
      lines.push('error ' + e);
    }
  }
  document.getElementById('out').textContent = lines.join('\n');
  done = true;
})();
</script>)";
    QTemporaryDir dir;
    QFile file(dir.filePath("decode.html"));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(page.data(), static_cast<qint64>(page.size()));
    file.close();
    const BrowserRun run = runChromium({"--virtual-time-budget=600000", "--dump-dom"}, "file://" + file.fileName().toStdString(), 120);
    if (log) *log = run.log;
    std::vector<std::string> lines;
    std::istringstream text(preText(run.dom, "out"));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

std::string withScriptAtEnd(const std::string& page, const std::string& script)
{
    const auto at = page.rfind("</script>");
    if (at == std::string::npos) return page;
    return page.substr(0, at) + script + page.substr(at);
}

} // namespace lumara::test
