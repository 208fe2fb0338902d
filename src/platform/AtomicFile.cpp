#include "AtomicFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxLinks = 40;
// mkstemp() puts this many letters and digits at the end of the name.
constexpr qsizetype kUniqueLength = 6;

bool failWith(QString *error, const QString &path, const QString &reason)
{
    if (error)
        *error = QStringLiteral("Cannot write %1: %2").arg(path, reason);
    return false;
}

bool fail(QString *error, const QString &path, int code)
{
    return failWith(error, path, QString::fromLocal8Bit(std::strerror(code)));
}

// The file a path leads to through any symbolic links; the path itself when
// it is no link. A link may lead to a file that does not exist yet.
bool followLinks(const QByteArray &path, QByteArray *file, int *code)
{
    QByteArray current = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat st = {};
        if (::lstat(current.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *file = current;
            return true;
        }
        QByteArray link(qMax<qsizetype>(st.st_size, 255) + 1, '\0');
        const ssize_t n = ::readlink(current.constData(), link.data(), static_cast<size_t>(link.size()));
        if (n < 0 || n >= link.size()) {
            *code = n < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        link.truncate(n);
        if (!link.startsWith('/'))
            link.prepend(current.left(current.lastIndexOf('/') + 1));
        current = link;
    }
    *code = ELOOP;
    return false;
}

QByteArray directoryOf(const QByteArray &file)
{
    const qsizetype slash = file.lastIndexOf('/');
    return slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? QByteArrayLiteral("/") : file.left(slash);
}

// Temporary files are ".<name>.qvtmp-" and six letters or digits, beside the file.
QByteArray temporaryNamePrefix(const QByteArray &file)
{
    return '.' + file.mid(file.lastIndexOf('/') + 1) + ".qvtmp-";
}

bool isTemporaryName(const QByteArray &name, const QByteArray &prefix)
{
    if (name.size() != prefix.size() + kUniqueLength || !name.startsWith(prefix))
        return false;
    for (const char c : name.sliced(prefix.size())) {
        if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

// 0, or the error of the first write that fails or falls short.
int writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += n;
    }
    return 0;
}

int readAll(int fd, QByteArray *bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, bytes->size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        bytes->append(buffer, n);
    }
}

void syncDirectory(const QByteArray &file)
{
    const int fd = ::open(directoryOf(file).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// For a directory that takes no new file: the file is overwritten where it
// is. Room for the new contents is taken before any byte changes, and a
// write that fails after that puts the old contents back.
bool overwriteInPlace(const QString &path, const QByteArray &file, const QByteArray &bytes, QString *error,
                      LinkPolicy links)
{
    const int fd = ::open(file.constData(), O_RDWR | O_CLOEXEC | (links == LinkPolicy::Refuse ? O_NOFOLLOW : 0));
    if (fd < 0)
        return fail(error, path, errno);
    QByteArray old;
    int code = readAll(fd, &old);
    // Whether the file holds its old contents still.
    bool intact = true;
    if (code == 0 && bytes.size() > old.size()) {
        code = ::posix_fallocate(fd, 0, bytes.size());
        if (code == EOPNOTSUPP)
            code = 0;
        else if (code != 0)
            intact = ::ftruncate(fd, old.size()) == 0;
    }
    if (code == 0) {
        intact = false;
        code = writeAll(fd, bytes);
        if (code == 0 && ::ftruncate(fd, bytes.size()) != 0)
            code = errno;
        if (code == 0 && ::fsync(fd) != 0)
            code = errno;
        if (code != 0)
            intact = writeAll(fd, old) == 0 && ::ftruncate(fd, old.size()) == 0 && ::fsync(fd) == 0;
    }
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0)
        return true;
    if (!intact)
        return failWith(error, path,
                        QString::fromLocal8Bit(std::strerror(code)) + QStringLiteral("; the file may be damaged"));
    return fail(error, path, code);
}

// Whether the file may be replaced; old and exists tell what is there now.
bool mayReplace(const QString &path, const QByteArray &file, struct stat *old, bool *exists, QString *error)
{
    // The owner's write bit marks a file read-only; it is checked by itself,
    // since root may write any file.
    *exists = ::stat(file.constData(), old) == 0;
    if (!*exists && errno != ENOENT)
        return fail(error, path, errno);
    if (*exists) {
        if (!S_ISREG(old->st_mode))
            return failWith(error, path, QStringLiteral("it is not a regular file"));
        if ((old->st_mode & S_IWUSR) == 0)
            return failWith(error, path, QStringLiteral("the file is marked read-only"));
        if (::faccessat(AT_FDCWD, file.constData(), W_OK, AT_EACCESS) != 0)
            return fail(error, path, errno);
    }
    return true;
}

} // namespace

bool replaceFileAtomically(const QString &path, const QByteArray &bytes, QString *error, LinkPolicy links)
{
    QByteArray file;
    int code = 0;
    if (links == LinkPolicy::Refuse) {
        // rename() below replaces a link itself, so one made after this
        // look is not followed either.
        file = QFile::encodeName(path);
        struct stat st = {};
        if (::lstat(file.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            return failWith(error, path, QStringLiteral("it is a symbolic link"));
    } else if (!followLinks(QFile::encodeName(path), &file, &code)) {
        return fail(error, path, code);
    }

    struct stat old = {};
    bool exists = false;
    if (!mayReplace(path, file, &old, &exists, error))
        return false;

    QByteArray temporary = directoryOf(file) + '/' + temporaryNamePrefix(file) + QByteArray(kUniqueLength, 'X');
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        code = errno;
        if (exists && (code == EACCES || code == EPERM))
            return overwriteInPlace(path, file, bytes, error, links);
        return fail(error, path, code);
    }

    // Keep the old file's owner, where allowed, and permissions; a new file
    // gets the usual ones.
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Only root may give a file away; otherwise it becomes the user's.
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, exists ? (old.st_mode & 07777) : (0666 & ~mask));

    code = writeAll(fd, bytes);
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(temporary.constData(), file.constData()) != 0) {
        code = errno;
        // A sticky directory may refuse to replace a file of another user
        // that the user may still write.
        if (exists && (code == EACCES || code == EPERM)) {
            ::unlink(temporary.constData());
            return overwriteInPlace(path, file, bytes, error, links);
        }
    }
    if (code != 0) {
        ::unlink(temporary.constData());
        return fail(error, path, code);
    }
    syncDirectory(file);
    return true;
}

bool removeStaleTemporaryFiles(const QString &path, QString *error)
{
    QByteArray file;
    int code = 0;
    if (!followLinks(QFile::encodeName(path), &file, &code))
        return fail(error, path, code);
    const QByteArray prefix = temporaryNamePrefix(file);
    DIR *dir = ::opendir(directoryOf(file).constData());
    if (!dir) {
        if (errno == ENOENT)
            return true;
        code = errno;
        if (error)
            *error = QStringLiteral("Cannot look for temporary files beside %1: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(code)));
        return false;
    }
    QByteArray failed;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!isTemporaryName(name, prefix))
            continue;
        // Only what this program could have made: a plain file of this user.
        struct stat st = {};
        if (::fstatat(::dirfd(dir), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)
            || st.st_uid != ::geteuid())
            continue;
        if (::unlinkat(::dirfd(dir), name.constData(), 0) != 0 && errno != ENOENT && failed.isEmpty()) {
            code = errno;
            failed = name;
        }
    }
    ::closedir(dir);
    if (failed.isEmpty())
        return true;
    if (error)
        *error = QStringLiteral("Cannot remove the temporary file %1 beside %2: %3")
                     .arg(QFile::decodeName(failed), path, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}
