#include "fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quintora {

namespace {

QString Shown(const QString &path) { return QDir::toNativeSeparators(path); }

// Why a path that exists cannot be read or replaced as a file, or empty when
// it is a regular file.
QString NotARegularFile(const QString &path, mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("\u00ab%1\u00bb es una carpeta, no un fichero").arg(Shown(path));
    if (!S_ISREG(mode))
        return QStringLiteral("\u00ab%1\u00bb no es un fichero normal").arg(Shown(path));
    return QString();
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

int Retried(int (*call)(int), int fd)
{
    int result;
    do
        result = call(fd);
    while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

ReadOutcome ReadRegularFile(const QString &path, qint64 maxSize)
{
    ReadOutcome out;
    const QByteArray native = QFile::encodeName(path);
    // Looked at before opening, so a FIFO is never opened at all; looked at
    // again on the open descriptor, in case the path changed in between.
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) {
        out.error = NotARegularFile(path, st.st_mode);
        if (!out.error.isEmpty())
            return out;
    }
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    Descriptor fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        out.error = qt_error_string(errno);
        return out;
    }
    if (::fstat(fd.get(), &st) != 0) {
        out.error = qt_error_string(errno);
        return out;
    }
    out.error = NotARegularFile(path, st.st_mode);
    if (!out.error.isEmpty())
        return out;
    if (st.st_size > maxSize) {
        out.status = ReadOutcome::TooBig;
        out.error.clear();
        return out;
    }

    // The size may change while reading (a file that grows): at most one byte
    // past the limit is read, enough to know the file is too big.
    QByteArray bytes(maxSize + 1, Qt::Uninitialized);
    qint64 total = 0;
    while (total < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + total, size_t(bytes.size() - total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            out.error = qt_error_string(errno);
            return out;
        }
        if (got == 0)
            break;
        total += got;
    }
    if (total > maxSize) {
        out.status = ReadOutcome::TooBig;
        return out;
    }
    bytes.truncate(total);
    out.status = ReadOutcome::Ok;
    out.bytes = bytes;
    return out;
}

bool WriteWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // A device or a FIFO would be replaced by a regular file (a device node
    // renamed away, as root), or block the caller until a reader comes.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        const QString why = NotARegularFile(path, st.st_mode);
        if (!why.isEmpty())
            return fail(why);
    }

    QSaveFile file(path);
    // A folder that refuses new files would make saving over a file the user
    // may write impossible; then, and only then, the file is written in place.
    file.setDirectWriteFallback(true);
    // Unbuffered, so that a short write (a full disk) shows at once and is
    // retried until the system says why it stops.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return fail(file.errorString()); // the temporary file goes with `file`
        done += n;
    }
    // The commit ignores a failed sync and would rename over the old file a
    // new one the disk may not hold; synced here, the close that follows has
    // nothing left to report.
    if (Retried(::fdatasync, file.handle()) != 0)
        return fail(qt_error_string(errno));
    if (!file.commit())
        return fail(file.errorString());
    // The rename itself reaches the disk with the folder; the file is in
    // place whatever this says, so a failure here changes nothing reported.
    Descriptor folder(::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        Retried(::fsync, folder.get());
    return true;
}

bool SameFile(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace quintora
