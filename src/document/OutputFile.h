// The one way the program writes a file, used by the editor and every command alike. Each
// OutputFile is used by one thread at a time; separate instances share nothing.
//
// What happens depends on what the destination is, after following symbolic links:
// - a regular file or a path that does not exist yet: the bytes go to a temporary file beside
//   it, which is flushed to disk and renamed over it on commit(), so the destination holds the
//   old content or the new, never a mixture; the replaced file's permissions are kept. A
//   symbolic link stays a link: its target is what gets replaced (or created).
//   Where the file system allows it the temporary file has no name until commit() (O_TMPFILE,
//   then linked in), so a process killed while writing leaves nothing behind; elsewhere it is a
//   hidden ".NAME.XXXXXXXXXXXX.part" beside the destination. $LUMARA_NAMED_TEMPORARIES=1 forces
//   the named kind (tests of that path).
// - a character device or a FIFO (/dev/stdout, /dev/full, a named pipe): written in place, and
//   every write error is reported; a FIFO that nobody reads is refused instead of waiting.
// - "-": standard output, written in place.
// - anything else (a folder, a socket, a block device): refused before anything is written.
#pragma once

#include "model/Result.h"

#include <string>
#include <string_view>

namespace lumara {

enum class FileError { cannotOpen, cannotRead, tooLarge, cannotWrite, notWritable };

// The path that names standard output.
inline constexpr std::string_view kStandardOutputPath = "-";

class OutputFile {
public:
    // Prepares the destination. notWritable for a kind of file that cannot be written (a folder,
    // ...), cannotOpen when the temporary file or the device cannot be opened.
    [[nodiscard]] static Result<OutputFile, FileError> open(const std::string& path);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    // Without a successful commit() the temporary file is removed and the destination untouched.
    ~OutputFile();

    // True when the bytes go straight to a device, a FIFO or standard output: there is nothing to
    // roll back and the reader cannot seek.
    bool isStream() const { return m_temporary.empty(); }
    // The descriptor the bytes go to (owned by this object).
    int descriptor() const { return m_fd; }
    // A name under which a library that must open the file itself reaches the temporary file that
    // becomes the destination on commit() (empty for a stream): /proc/self/fd/N for an unnamed one.
    const std::string& temporaryPath() const { return m_temporary; }
    // True when the temporary file has no name in the folder (see above).
    bool isUnnamed() const { return m_unnamed; }
    // The destination as the user named it, for messages.
    const std::string& displayPath() const { return m_display; }

    // Writes all the bytes; a short write, ENOSPC or EPIPE is cannotWrite naming the destination.
    [[nodiscard]] Result<Ok, FileError> write(std::string_view bytes);
    // Flushes to disk and, for a temporary file, renames it over the destination. A failure leaves
    // the destination as it was (for a stream: with what was written so far).
    [[nodiscard]] Result<Ok, FileError> commit();

private:
    OutputFile() = default;
    Error<FileError> failure(FileError code, const std::string& what, int error) const;
    // Gives the unnamed temporary file a hidden name beside the target, then renames it over the
    // target (or links it straight in when nothing is there).
    Result<Ok, FileError> linkIntoPlace();

    int m_fd = -1;
    bool m_ownsDescriptor = true;
    std::string m_display;   // as given
    std::string m_target;    // the file that is replaced (symbolic links followed)
    std::string m_temporary; // empty for streams
    int m_mode = -1;         // permissions of the file being replaced; -1 for a new file
    bool m_unnamed = false;  // m_temporary is the descriptor's /proc name, nothing to unlink
};

// Opens, writes and commits in one step: `path` holds `bytes` afterwards, or its old content
// (streams: what could be written) with the failure returned.
[[nodiscard]] Result<Ok, FileError> writeOutputFile(const std::string& path, std::string_view bytes);

} // namespace lumara
