// Destinations by kind: temporary-then-rename for regular files (an unnamed O_TMPFILE where the
// file system has them), direct writes for devices, FIFOs and standard output. POSIX calls only;
// no shared state.
#include "document/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

#include <dirent.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumara {

namespace {

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string nameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links one by one, so a link whose target does not exist yet still names it.
// Returns false (errno set) on a loop or an unreadable link.
bool resolveLinks(std::string& path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
        if (length < 0) return false;
        std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : folderOf(path) + next;
    }
    errno = ELOOP;
    return false;
}

bool namedTemporariesForced()
{
    const char* forced = std::getenv("LUMARA_NAMED_TEMPORARIES");
    return forced && forced[0] == '1';
}

// The named temporaries beside a target: "." NAME "." then this many lower-case hex digits ".part".
constexpr int kTemporaryDigits = 12;
constexpr std::string_view kTemporarySuffix = ".part";

// A hidden name beside `target` that is not taken yet: ".NAME.XXXXXXXXXXXX.part".
std::string temporaryNameBeside(const std::string& target, std::mt19937_64& random)
{
    char digits[kTemporaryDigits + 1];
    std::snprintf(digits, sizeof digits, "%0*llx", kTemporaryDigits,
                  static_cast<unsigned long long>(random() >> (64 - 4 * kTemporaryDigits)));
    return folderOf(target) + "." + nameOf(target) + "." + digits + std::string(kTemporarySuffix);
}

// Removes the hidden temporaries beside `target` (".NAME.XXXXXXXXXXXX.part") that no live writer
// holds: a writer keeps an exclusive flock on its temporary from the moment it has a name until
// the rename, so one whose lock can be taken was left by a writer that was killed.
void removeAbandonedTemporaries(const std::string& target)
{
    const std::string folder = folderOf(target);
    std::string prefix = "."; // built in steps: GCC 12 warns falsely (-Wrestrict) on "." + string
    prefix += nameOf(target);
    prefix += '.';
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing) return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTemporaryDigits + kTemporarySuffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(kTemporarySuffix))
            continue;
        // Only names this module gives: a user's own ".NAME.backup-copy1.part" is never touched.
        const std::string_view digits = name.substr(prefix.size(), kTemporaryDigits);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
            continue;
        const std::string path = folder + std::string(name);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(listing);
}

std::mt19937_64 seededRandom()
{
    std::random_device entropy;
    return std::mt19937_64((std::uint64_t{entropy()} << 32) ^ entropy());
}

void syncFolder(const std::string& file)
{
    const std::string folder = folderOf(file);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd); // the rename itself survives a power cut; best effort, some file systems refuse
    ::close(fd);
}

} // namespace

Error<FileError> OutputFile::failure(FileError code, const std::string& what, int error) const
{
    return Error<FileError>{code, what + " " + m_display + ": " + std::strerror(error)};
}

Result<OutputFile, FileError> OutputFile::open(const std::string& path)
{
    OutputFile out;
    out.m_display = path;
    if (path.empty()) return Error<FileError>{FileError::notWritable, "no file name given"};
    if (path == kStandardOutputPath) {
        out.m_fd = STDOUT_FILENO;
        out.m_ownsDescriptor = false;
        return out;
    }

    out.m_target = path;
    if (!resolveLinks(out.m_target)) return out.failure(FileError::cannotOpen, "cannot follow the link", errno);

    struct stat info {};
    const bool exists = ::stat(out.m_target.c_str(), &info) == 0;
    if (exists && (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode))) {
        // Non-blocking only for the open: a FIFO without a reader fails with ENXIO instead of
        // waiting for one forever.
        const int fd = ::open(out.m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (errno == ENXIO && S_ISFIFO(info.st_mode))
                return Error<FileError>{FileError::cannotOpen, "cannot write " + path + ": no program is reading the FIFO"};
            return out.failure(FileError::cannotOpen, "cannot write", errno);
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        out.m_fd = fd;
        return out;
    }
    if (exists && S_ISDIR(info.st_mode))
        return Error<FileError>{FileError::notWritable, "cannot write " + path + ": it is a folder"};
    if (exists && !S_ISREG(info.st_mode))
        return Error<FileError>{FileError::notWritable, "cannot write " + path + ": it is not a regular file, a device or a FIFO"};
    if (nameOf(out.m_target).empty())
        return Error<FileError>{FileError::notWritable, "cannot write " + path + ": no file name"};
    // A file that exists but cannot be written is refused as saving in place would be, even
    // though the folder would allow replacing it.
    if (exists && ::access(out.m_target.c_str(), W_OK) != 0)
        return out.failure(FileError::cannotOpen, "cannot write", errno);

    if (exists) out.m_mode = static_cast<int>(info.st_mode & 07777);
    removeAbandonedTemporaries(out.m_target);

    if (!namedTemporariesForced()) {
        const std::string folder = folderOf(out.m_target);
        // Any failure here (an old kernel, a file system without O_TMPFILE, no /proc to link
        // from) falls back to the named temporary, which then reports a real error if any.
        const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::string name = "/proc/self/fd/" + std::to_string(fd);
            if (::access(name.c_str(), F_OK) == 0) {
                out.m_fd = fd;
                out.m_temporary = std::move(name);
                out.m_unnamed = true;
                return out;
            }
            ::close(fd);
        }
    }

    std::mt19937_64 random = seededRandom();
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string candidate = temporaryNameBeside(out.m_target, random);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return out.failure(FileError::cannotOpen, "cannot write", errno);
        }
        (void)::flock(fd, LOCK_EX); // held until the descriptor closes after the rename
        out.m_fd = fd;
        out.m_temporary = std::move(candidate);
        return out;
    }
    return Error<FileError>{FileError::cannotOpen, "cannot find a free temporary name beside " + path};
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_fd(other.m_fd), m_ownsDescriptor(other.m_ownsDescriptor), m_display(std::move(other.m_display)),
      m_target(std::move(other.m_target)), m_temporary(std::move(other.m_temporary)), m_mode(other.m_mode),
      m_unnamed(other.m_unnamed)
{
    other.m_fd = -1;
    other.m_temporary.clear();
    other.m_unnamed = false;
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0 && m_ownsDescriptor) ::close(m_fd); // an unnamed temporary goes with its descriptor
    if (!m_temporary.empty() && !m_unnamed) ::unlink(m_temporary.c_str());
}

Result<Ok, FileError> OutputFile::write(std::string_view bytes)
{
    if (m_fd < 0) return Error<FileError>{FileError::cannotWrite, "cannot write " + m_display + ": it is closed"};
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return failure(FileError::cannotWrite, "cannot write", errno);
        }
        if (written == 0) return failure(FileError::cannotWrite, "cannot write", EIO);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return Ok{};
}

Result<Ok, FileError> OutputFile::commit()
{
    if (m_fd < 0) return Error<FileError>{FileError::cannotWrite, "cannot write " + m_display + ": it is closed"};
    if (isStream()) {
        // A device or pipe may not support fsync (EINVAL); its write errors were already reported.
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
            return failure(FileError::cannotWrite, "cannot write", errno);
        if (m_ownsDescriptor) ::close(m_fd);
        m_fd = -1;
        return Ok{};
    }
    // The data reaches the disk before the name does, so a crash never leaves a short file.
    if (::fsync(m_fd) != 0) return failure(FileError::cannotWrite, "cannot write", errno);
    if (m_mode >= 0 && ::fchmod(m_fd, static_cast<mode_t>(m_mode)) != 0)
        return failure(FileError::cannotWrite, "cannot keep the permissions of", errno);
    if (m_unnamed) {
        auto linked = linkIntoPlace();
        if (linked) syncFolder(m_target);
        return linked;
    }
    // Renamed while still open, and so still locked (removeAbandonedTemporaries); the data is on
    // the disk already, so the close has nothing left to report.
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) return failure(FileError::cannotWrite, "cannot replace", errno);
    m_temporary.clear();
    ::close(m_fd);
    m_fd = -1;
    syncFolder(m_target);
    return Ok{};
}

Result<Ok, FileError> OutputFile::linkIntoPlace()
{
    // Nothing there yet: the file appears under its name complete, in one step.
    if (m_mode < 0 && ::linkat(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        const int closed = ::close(m_fd);
        m_fd = -1;
        m_temporary.clear();
        m_unnamed = false;
        if (closed != 0) return failure(FileError::cannotWrite, "cannot write", errno);
        return Ok{};
    }
    // linkat cannot replace a file: a hidden name first, then the rename, which can. The name
    // exists only for that moment, and the descriptor holds a lock on it throughout, so a writer
    // killed in between leaves a temporary the next writer removes (removeAbandonedTemporaries).
    (void)::flock(m_fd, LOCK_EX);
    std::mt19937_64 random = seededRandom();
    std::string named;
    for (int attempt = 0; attempt < 16 && named.empty(); ++attempt) {
        std::string candidate = temporaryNameBeside(m_target, random);
        if (::linkat(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
            named = std::move(candidate);
        else if (errno != EEXIST)
            return failure(FileError::cannotWrite, "cannot write", errno);
    }
    if (named.empty()) return Error<FileError>{FileError::cannotWrite, "cannot find a free temporary name beside " + m_display};
    m_unnamed = false;
    m_temporary = named; // removed by the destructor should the rename fail
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) return failure(FileError::cannotWrite, "cannot replace", errno);
    m_temporary.clear();
    ::close(m_fd); // the data was synced before the link: the close has nothing left to report
    m_fd = -1;
    return Ok{};
}

Result<Ok, FileError> writeOutputFile(const std::string& path, std::string_view bytes)
{
    auto file = OutputFile::open(path);
    if (!file) return file.error();
    if (auto written = file->write(bytes); !written) return written.error();
    return file->commit();
}

} // namespace lumara
