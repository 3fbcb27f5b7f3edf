#include "settings/FileReplace.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trajetix {

namespace {

bool writeAll(int fd, const char *data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(size - done), off_t(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename itself already happened
        ::close(fd);
    }
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

enum class TempResult { Written, Failed, NotPossible };

// Only "the temporary file could not be made at all" and "the owner could not be
// kept" give NotPossible; every failure after that point leaves the file untouched.
TempResult writeThroughTempFile(const QByteArray &target, const QByteArray &bytes, const struct stat *existing)
{
    const QByteArray folder = folderOf(target);
    const QByteArray name = target.mid(target.lastIndexOf('/') + 1);
    QByteArray temp = folder + "/." + name + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC); // mode 0600
    if (fd < 0)
        return TempResult::NotPossible;

    auto discard = [&](TempResult result) {
        ::close(fd);
        ::unlink(temp.constData());
        return result;
    };

    mode_t mode = 0600;
    if (existing) {
        mode = existing->st_mode & 07777;
        if (::fchown(fd, existing->st_uid, existing->st_gid) != 0)
            return discard(TempResult::NotPossible);
    }
    if (::fchmod(fd, mode) != 0)
        return discard(TempResult::Failed);
    if (!writeAll(fd, bytes.constData(), bytes.size()) || ::fsync(fd) != 0)
        return discard(TempResult::Failed);
    if (::close(fd) != 0) {
        ::unlink(temp.constData());
        return TempResult::Failed;
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return TempResult::Failed;
    }
    syncFolder(folder);
    return TempResult::Written;
}

bool rewriteInPlace(const QByteArray &target, const QByteArray &bytes)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    const off_t oldSize = st.st_size;
    const off_t newSize = off_t(bytes.size());
    if (newSize > oldSize && ::posix_fallocate(fd, oldSize, newSize - oldSize) != 0) {
        if (::ftruncate(fd, oldSize) != 0) {
            // Nothing more can be done; the old bytes themselves are untouched.
        }
        ::close(fd);
        return false;
    }
    bool ok = writeAll(fd, bytes.constData(), bytes.size());
    ok = ok && (newSize >= oldSize || ::ftruncate(fd, newSize) == 0);
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    return ok;
}

} // namespace

bool replaceFileContents(const QString &path, const QByteArray &bytes)
{
    QByteArray target = QFile::encodeName(path);
    if (target.isEmpty())
        return false;

    struct stat st;
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return false;

    if (exists) {
        if (!S_ISREG(st.st_mode))
            return false;
        if ((st.st_mode & 0222) == 0)
            return false;
        // Renaming over the file would otherwise bypass the file's own permissions.
        if (::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
            return false;
        if (char *real = ::realpath(target.constData(), nullptr)) {
            target = QByteArray(real);
            std::free(real);
        } else {
            return false;
        }
        if (st.st_nlink > 1)
            return rewriteInPlace(target, bytes);
    }

    switch (writeThroughTempFile(target, bytes, exists ? &st : nullptr)) {
    case TempResult::Written:
        return true;
    case TempResult::Failed:
        return false;
    case TempResult::NotPossible:
        break;
    }
    return exists && rewriteInPlace(target, bytes);
}

} // namespace trajetix
