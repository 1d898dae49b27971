// Whole-file reads through QFile.
#include "document/ReadWholeFile.h"

#include <QFile>
#include <QString>

#include <cstdio>

namespace lumara {

Result<std::string, FileError> readWholeFile(const std::string& path, std::int64_t maxBytes)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return Error<FileError>{FileError::cannotOpen, "cannot open " + path + ": " + file.errorString().toStdString()};
    if (file.size() > maxBytes)
        return Error<FileError>{FileError::tooLarge, path + " is too large (" + std::to_string(file.size()) + " bytes)"};
    // Read in chunks so a file that grows, or a device that reports no size, stays bounded.
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0)
            return Error<FileError>{FileError::cannotRead, "cannot read " + path + ": " + file.errorString().toStdString()};
        if (got == 0) break;
        if (static_cast<std::int64_t>(bytes.size()) + got > maxBytes)
            return Error<FileError>{FileError::tooLarge, path + " is too large"};
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
}

Result<std::string, FileError> readStandardInput(std::int64_t maxBytes)
{
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, stdin);
        if (static_cast<std::int64_t>(bytes.size() + got) > maxBytes)
            return Error<FileError>{FileError::tooLarge, "standard input is too large (over " + std::to_string(maxBytes) + " bytes)"};
        bytes.append(chunk, got);
        if (got < sizeof chunk) {
            if (std::ferror(stdin)) return Error<FileError>{FileError::cannotRead, "cannot read standard input"};
            if (std::feof(stdin)) return bytes;
        }
    }
}

} // namespace lumara
