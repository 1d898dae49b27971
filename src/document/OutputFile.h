// The one way the program writes a file, used by the editor and every command alike. Each
// OutputFile is used by one thread at a time; separate instances share nothing.
//
// What happens depends on what the destination is, after following symbolic links:
// - a regular file or a path that does not exist yet: the bytes go to a temporary file beside
//   it, which is flushed to disk and renamed over it on commit(), so the destination holds the
//   old content or the new, never a mixture; the replaced file's permissions are kept. A
//   symbolic link stays a link: its target is what gets replaced (or created).
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
    // The temporary file that becomes the destination on commit() (empty for a stream), for a
    // library that must open the file itself by name.
    const std::string& temporaryPath() const { return m_temporary; }
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

    int m_fd = -1;
    bool m_ownsDescriptor = true;
    std::string m_display;   // as given
    std::string m_target;    // the file that is replaced (symbolic links followed)
    std::string m_temporary; // empty for streams
    int m_mode = -1;         // permissions of the file being replaced; -1 for a new file
};

// Opens, writes and commits in one step: `path` holds `bytes` afterwards, or its old content
// (streams: what could be written) with the failure returned.
[[nodiscard]] Result<Ok, FileError> writeOutputFile(const std::string& path, std::string_view bytes);

} // namespace lumara
