#include "FileCopy.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include <sys/sendfile.h>
#include <unistd.h>

namespace FileCopy {
namespace {

// Large blocks keep the number of system calls low; progress still moves several times a
// second on any disk.
constexpr size_t kKernelBlock = 32 * 1024 * 1024;
constexpr size_t kBufferBlock = 1024 * 1024;

bool kernelCopyUnsupported(int err)
{
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF ||
           err == ETXTBSY || err == EPERM;
}

/// One kernel-side method until end of file or `limit` bytes. Returns 0, errno, or -1 when
/// the method is not available for these files and nothing has been copied yet.
template<typename Call> int kernelLoop(Call call, qint64 limit, qint64& done, const Tick& tick)
{
    for (;;) {
        const ssize_t n = call();
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (done == 0 && kernelCopyUnsupported(errno))
                return -1;
            return errno;
        }
        done += n;
        if (tick && !tick(done))
            return ECANCELED;
        if (done == limit) // saves the call that would only report the end
            return 0;
    }
}

int bufferLoop(int in, int out, qint64& done, const Tick& tick)
{
    thread_local std::vector<char> buffer(kBufferBlock);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(out, buffer.data() + written, size_t(n - written));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            written += w;
        }
        done += n;
        if (tick && !tick(done))
            return ECANCELED;
    }
}

/// The process's umask, read without changing it; all bits set when unknown.
mode_t processUmask()
{
    static const mode_t mask = [] {
        if (FILE* status = std::fopen("/proc/self/status", "re")) {
            char line[256];
            unsigned value = 0;
            bool found = false;
            while (!found && std::fgets(line, sizeof line, status))
                found = std::sscanf(line, "Umask: %o", &value) == 1;
            std::fclose(status);
            if (found)
                return mode_t(value);
        }
        return mode_t(07777);
    }();
    return mask;
}

} // namespace

int copyData(int in, int out, qint64 size, const Tick& tick)
{
    const qint64 limit = size > 0 ? size : -1;
    qint64 done = 0;
    int rc =
        kernelLoop([&] { return ::copy_file_range(in, nullptr, out, nullptr, kKernelBlock, 0); },
                   limit, done, tick);
    if (rc != -1)
        return rc;
    rc = kernelLoop([&] { return ::sendfile(out, in, nullptr, kKernelBlock); }, limit, done, tick);
    if (rc != -1)
        return rc;
    return bufferLoop(in, out, done, tick);
}

mode_t createMode(const struct stat& st)
{
    return st.st_mode & 0777;
}

int copyAttributes(int out, const struct stat& st)
{
    // The create mode already holds the bits when the umask strips none of them.
    const mode_t wanted = st.st_mode & 07777;
    if (((wanted & processUmask()) != 0 || (wanted & 07000) != 0) && ::fchmod(out, wanted) != 0)
        return errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out, times) != 0)
        return errno;
    return 0;
}

} // namespace FileCopy
