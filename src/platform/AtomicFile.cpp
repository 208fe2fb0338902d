#include "AtomicFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(QString *error, const QString &path, int code)
{
    if (error)
        *error = QStringLiteral("Cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

} // namespace

bool replaceFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail(error, path, errno);

    // Keep the old file's permissions; a new file gets the usual ones.
    struct stat old = {};
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~mask));

    qsizetype done = 0;
    int code = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            code = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        code = errno;
    if (code != 0) {
        ::unlink(temporary.constData());
        return fail(error, path, code);
    }
    return true;
}
