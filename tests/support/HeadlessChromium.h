// Runs the generated page in a real headless Chromium (SwiftShader WebGL 2) for the page tests:
// one short-lived browser per call, a fresh profile, always a time limit.
#pragma once

#include <QImage>

#include <string>
#include <vector>

namespace lumara::test {

inline constexpr const char* kChromiumBinary = "/usr/lib/chromium/chromium";

struct BrowserRun {
    int exitCode = -1;
    std::string dom; // --dump-dom output, when asked for
    std::string log; // the browser's stderr, with the pages' console messages
};

// Opens `url` with the quiet headless flags plus `extraArgs`, killed after `timeoutSeconds`.
BrowserRun runChromium(const std::vector<std::string>& extraArgs, const std::string& url, int timeoutSeconds);

// Console lines reporting an uncaught script error.
std::vector<std::string> scriptErrors(const std::string& log);

// The text of the element <pre id="`id`"> in a dumped DOM, or nothing.
std::string preText(const std::string& dom, const std::string& id);

// A "data:image/png;base64," URL decoded to an RGBA8888 (straight alpha) image; null if invalid.
QImage imageFromDataUrl(const std::string& url);

// A page of inline frames (one per page, each `side` CSS pixels square) and, for each, an empty
// <pre id="<frame id>-out"> that script injected into the page can fill.
struct Frame {
    std::string id;
    std::string html;
    double side = 0;
};
std::string framesPage(const std::vector<Frame>& frames);

// Decodes each image (MIME type, file bytes) with Chromium's own decoder (WebCodecs' ImageDecoder),
// one line per image: "<frames> <repetitions>", then " <duration in microseconds>:<hash>" per frame,
// where hash = hash * 31 + byte (32 bits) over the frame's RGBA canvas; "error ..." when it fails.
// Empty when the browser gave no answer; `log` receives the browser's stderr.
std::vector<std::string> decodeImagesInChromium(const std::vector<std::pair<std::string, std::string>>& images,
                                                std::string* log = nullptr);

// `page` with `script` inserted just before its last "</script>", so that it runs in the same
// task as the page's own start-up code.
std::string withScriptAtEnd(const std::string& page, const std::string& script);

} // namespace lumara::test
