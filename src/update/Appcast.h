// The update feed: an RSS 2.0 channel whose items each describe one release (the usual appcast
// layout: a machine version, a version to show, a release-notes link and a download link).
// Reading and choosing are pure functions of the bytes; any thread.
#pragma once

#include "model/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <vector>

namespace lumara::update {

enum class UpdateError {
    disabled,        // this build does not check for updates
    busy,            // a check is already running
    insecureFeed,    // the feed address is not https (plain http is allowed on loopback only)
    redirectRefused, // the server redirected to an address that fails the same rule, or too often
    network,         // connection refused, name not found, TLS failure, ...
    httpStatus,      // the server answered with an HTTP error
    timeout,         // no complete answer in time
    tooLarge,        // the feed is over the size limit
    malformedFeed,   // not well-formed XML, or not an RSS channel
    missingVersion,  // an item without a version
    cancelled,       // the user cancelled
};

struct AppcastItem {
    QString title;
    QString version;            // compared with the running version
    QString shortVersionString; // shown to the user; the version when the feed gives none
    QUrl releaseNotesLink;      // https only, else empty
    QUrl downloadLink;          // the item's page link, else its enclosure; https only, else empty
};

// Parses the feed. Items come back in feed order. Fails with malformedFeed for text that is not
// well-formed XML or has no RSS channel, and with missingVersion when an item names no version
// (neither as an element nor on its enclosure). Links other than https (http:, file:,
// javascript:, ...) are dropped, so nothing from the feed can open anything but a secure web page.
Result<std::vector<AppcastItem>, UpdateError> parseAppcast(const QByteArray& xml);

// The newest item by version (the first of equals), or null for an empty list.
const AppcastItem* newestItem(const std::vector<AppcastItem>& items);

struct UpdateCheckOutcome {
    bool updateAvailable = false;
    QString currentVersion;
    AppcastItem newest; // empty when the feed lists no releases
};

// Parses the feed and compares its newest release with `currentVersion`. A feed without items
// means there is nothing newer.
Result<UpdateCheckOutcome, UpdateError> evaluateAppcast(const QByteArray& xml, const QString& currentVersion);

// One sentence for the user about an error (e.g. "The update server answered with an error.").
QString updateErrorMessage(UpdateError error);

} // namespace lumara::update
