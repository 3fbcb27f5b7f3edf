#pragma once

#include <QString>

#include <sys/types.h>

namespace trajetix {

// Which file a name leads to, after every symbolic link: two names with the same
// identity are the same file, whatever their spelling.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode;
    }
};

namespace posixfile {

// Opens a regular file (or anything but a folder) for reading; -1 on failure, errno set.
int openForReading(const QString &fileName);
// read(2) that retries when a signal interrupts it; -1 on failure.
qint64 readSome(int fd, char *buffer, qint64 size);
// Fills the buffer unless the end of the file comes first; returns the bytes read or -1.
qint64 readFully(int fd, char *buffer, qint64 size);
bool identityOf(int fd, FileIdentity &identity);
// The identity of the file a name leads to; false when it does not exist (or cannot be examined).
bool identityOf(const QString &fileName, FileIdentity &identity);
// close(2) once; EINTR counts as closed (Linux never leaves the descriptor open).
bool closeFile(int fd);
QString systemErrorText(int error);

} // namespace posixfile
} // namespace trajetix
