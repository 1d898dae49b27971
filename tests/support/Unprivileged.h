// Running a test as an unprivileged user, so that permission checks bind it even when the tests
// run as root (as they do in CI), and on a small disk of its own that fills up. Test thread only.
#pragma once

#include <QString>

#include <cstdint>

namespace lumara::test {

// What the re-run test gets besides dropped privileges.
struct Unprivileged {
    // Above zero: a tmpfs of this many bytes is mounted for the test, at smallDisk(), in a mount
    // namespace of the child's own (nothing outside the child ever sees it).
    std::int64_t smallDiskBytes = 0;
};

// The first statement of a test whose checks the superuser would pass through:
//     if (test::rerunUnprivileged()) return;
// As root it runs the current test again in a child of this test program, as the user nobody
// (setpriv --reuid=nobody --regid=nogroup --clear-groups), and returns true: the child's outcome
// is reported here as this test's, and a child that skipped the test or ran none counts as a
// failure. In that child, and in a run that is not root to begin with, it returns false and the
// test runs in this process. With a small disk a non-root run also goes through a child, in a
// user namespace (unshare --map-root-user), since mounting needs one.
[[nodiscard]] bool rerunUnprivileged(const Unprivileged& options = {});

// In a test that asked for a small disk: a folder on it that the test's user may write. Empty
// otherwise.
QString smallDisk();

} // namespace lumara::test
