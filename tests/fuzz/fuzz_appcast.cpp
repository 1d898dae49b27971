// libFuzzer target: the update feed as a server (or anyone between it and us) might send it.
// Whatever parses must hold only versioned items and https links, and the newest item and the
// verdict must agree with the version order, which itself must be a consistent order.
#include "update/Appcast.h"
#include "update/Version.h"

#include <cstddef>
#include <cstdint>

using namespace lumara::update;

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

bool safeLink(const QUrl& link) { return link.isEmpty() || (link.scheme() == QLatin1String("https") && !link.host().isEmpty()); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray xml = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    auto items = parseAppcast(xml);
    auto outcome = evaluateAppcast(xml, QStringLiteral("1.0"));
    if (items.ok() != outcome.ok()) __builtin_trap(); // one reading, two answers
    if (!items) {
        const UpdateError code = items.error().code;
        if (code != UpdateError::malformedFeed && code != UpdateError::missingVersion) __builtin_trap();
        if (items.error().message.empty() || updateErrorMessage(code).isEmpty()) __builtin_trap();
        return 0;
    }
    for (const AppcastItem& item : *items) {
        if (item.version.isEmpty() || item.shortVersionString.isEmpty()) __builtin_trap();
        if (!safeLink(item.releaseNotesLink) || !safeLink(item.downloadLink)) __builtin_trap();
    }
    const AppcastItem* newest = newestItem(*items);
    if (items->empty() != (newest == nullptr)) __builtin_trap();
    if (!newest) {
        if (outcome->updateAvailable) __builtin_trap();
        return 0;
    }
    const std::string top = newest->version.toStdString();
    for (std::size_t i = 0; i < items->size() && i < 64; ++i) {
        const std::string a = (*items)[i].version.toStdString();
        if (compareVersions(a, top) > 0) __builtin_trap(); // nothing is newer than the newest
        if (compareVersions(a, a) != 0) __builtin_trap();
        const std::string b = (*items)[(i + 1) % items->size()].version.toStdString();
        if (sign(compareVersions(a, b)) != -sign(compareVersions(b, a))) __builtin_trap();
    }
    if (outcome->updateAvailable != (compareVersions(top, "1.0") > 0)) __builtin_trap();
    return 0;
}
