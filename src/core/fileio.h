// Reading and writing whole files safely: a read never blocks on something
// that is not a regular file, and a write either replaces the file whole and
// durably or leaves the old one as it was and says why.
#pragma once

#include <QByteArray>
#include <QString>

namespace quintora {

struct ReadOutcome {
    enum Status { Ok, TooBig, Error };
    Status status = Error;
    QByteArray bytes; // for Ok
    QString error;    // for Error: the system's reason, or ours in Spanish
};

// Reads a regular file (or a link to one) of at most `maxSize` bytes. Anything
// else (a folder, a FIFO, a device) is refused before a byte is read, so a
// pipe with no writer cannot block the caller.
ReadOutcome ReadRegularFile(const QString &path, qint64 maxSize);

// Replaces `path` by `bytes`: written beside it, flushed to the disk and then
// renamed over it, so that any failure leaves the old file byte for byte. Only
// when the folder refuses a new file but the file itself may be written is it
// overwritten in place. False with the reason in `error` when it failed;
// existing things that are not regular files are refused unwritten.
bool WriteWholeFile(const QString &path, const QByteArray &bytes, QString *error);

// Whether two paths name the same existing file, through links of any kind.
bool SameFile(const QString &a, const QString &b);

} // namespace quintora
