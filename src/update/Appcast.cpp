// Reading the update feed with QXmlStreamReader, which neither fetches external entities nor
// expands them without limit. Any thread.
#include "update/Appcast.h"

#include "update/Version.h"

#include <QXmlStreamReader>

namespace lumara::update {

namespace {

QUrl webLink(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || scheme != QLatin1String("https")) return {};
    return url;
}

Error<UpdateError> malformed(const QString& why)
{
    return {UpdateError::malformedFeed, why.toStdString()};
}

// Reads one <item>; the reader stands on its start element and ends on its end element.
AppcastItem readItem(QXmlStreamReader& xml)
{
    AppcastItem item;
    QUrl enclosure;
    QString enclosureVersion, enclosureShortVersion;
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == QLatin1String("title")) {
            item.title = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (name == QLatin1String("version")) {
            item.version = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (name == QLatin1String("shortVersionString")) {
            item.shortVersionString = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (name == QLatin1String("releaseNotesLink")) {
            item.releaseNotesLink = webLink(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (name == QLatin1String("link") && xml.namespaceUri().isEmpty()) {
            item.downloadLink = webLink(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (name == QLatin1String("enclosure")) {
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                if (attribute.name() == QLatin1String("url")) enclosure = webLink(attribute.value().toString());
                if (attribute.name() == QLatin1String("version")) enclosureVersion = attribute.value().trimmed().toString();
                if (attribute.name() == QLatin1String("shortVersionString"))
                    enclosureShortVersion = attribute.value().trimmed().toString();
            }
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (item.version.isEmpty()) item.version = enclosureVersion;
    if (item.shortVersionString.isEmpty()) item.shortVersionString = enclosureShortVersion;
    if (item.shortVersionString.isEmpty()) item.shortVersionString = item.version;
    if (item.downloadLink.isEmpty()) item.downloadLink = enclosure;
    return item;
}

} // namespace

Result<std::vector<AppcastItem>, UpdateError> parseAppcast(const QByteArray& bytes)
{
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("rss"))
        return malformed(xml.hasError() ? xml.errorString() : QStringLiteral("the feed is not an RSS document"));
    std::vector<AppcastItem> items;
    bool sawChannel = false;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("channel")) {
            xml.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("item"))
                items.push_back(readItem(xml));
            else
                xml.skipCurrentElement();
        }
    }
    // Reading to the end also catches faults after the last item (an unclosed tag, trailing junk).
    while (!xml.atEnd()) xml.readNext();
    if (xml.hasError()) return malformed(xml.errorString());
    if (!sawChannel) return malformed(QStringLiteral("the feed has no channel"));
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].version.isEmpty())
            return Error<UpdateError>{UpdateError::missingVersion, "item " + std::to_string(i + 1) + " of the feed has no version"};
    return items;
}

const AppcastItem* newestItem(const std::vector<AppcastItem>& items)
{
    const AppcastItem* newest = nullptr;
    for (const AppcastItem& item : items)
        if (!newest || compareVersions(item.version.toStdString(), newest->version.toStdString()) > 0) newest = &item;
    return newest;
}

Result<UpdateCheckOutcome, UpdateError> evaluateAppcast(const QByteArray& xml, const QString& currentVersion)
{
    auto items = parseAppcast(xml);
    if (!items) return items.error();
    UpdateCheckOutcome outcome;
    outcome.currentVersion = currentVersion;
    if (const AppcastItem* newest = newestItem(*items)) {
        outcome.newest = *newest;
        outcome.updateAvailable = compareVersions(newest->version.toStdString(), currentVersion.toStdString()) > 0;
    }
    return outcome;
}

QString updateErrorMessage(UpdateError error)
{
    switch (error) {
    case UpdateError::disabled: return QStringLiteral("This copy of Lumara is updated through your system’s package manager.");
    case UpdateError::busy: return QStringLiteral("An update check is already running.");
    case UpdateError::insecureFeed: return QStringLiteral("The update feed address is not secure (HTTPS is required).");
    case UpdateError::redirectRefused: return QStringLiteral("The update server redirected to an address that is not allowed.");
    case UpdateError::network: return QStringLiteral("The update server could not be reached.");
    case UpdateError::httpStatus: return QStringLiteral("The update server answered with an error.");
    case UpdateError::timeout: return QStringLiteral("The update server did not answer in time.");
    case UpdateError::tooLarge: return QStringLiteral("The update feed is too large.");
    case UpdateError::malformedFeed: return QStringLiteral("The update feed could not be read.");
    case UpdateError::missingVersion: return QStringLiteral("The update feed lists a release without a version.");
    case UpdateError::cancelled: return QStringLiteral("The update check was cancelled.");
    }
    return QStringLiteral("The update check failed.");
}

} // namespace lumara::update
