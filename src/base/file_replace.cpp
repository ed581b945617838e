#include "base/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kiruvan {
namespace {

std::optional<std::string> writeAll(int fd, std::string_view bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? std::strerror(errno) : "nothing written";
        written += static_cast<std::size_t>(n);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> replaceFileContents(const std::filesystem::path& file, std::string_view bytes)
{
    std::string pattern = file.string() + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return std::strerror(errno);
    if (auto reason = writeAll(fd, bytes)) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return reason;
    }
    // mkstemp creates the file for its owner alone; the new file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 || std::rename(pattern.c_str(), file.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(pattern.c_str());
        return reason;
    }
    return std::nullopt;
}

}  // namespace kiruvan
