#include "SmallFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::optional<QByteArray> readSmallFile(int dirFd, const char* name, qsizetype cap,
                                        struct stat* opened)
{
    // Only a regular file is opened: a device is not even opened. Non-blocking, so that a
    // FIFO swapped in meanwhile cannot hang the open; checked again once open.
    struct stat st;
    if (::fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray data;
    data.resize(qsizetype(std::min<qint64>(st.st_size, cap)));
    qsizetype filled = 0;
    while (filled < data.size()) {
        const ssize_t got = ::read(fd, data.data() + filled, size_t(data.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += got;
    }
    ::close(fd);
    data.truncate(filled);
    if (opened)
        *opened = st;
    return data;
}
