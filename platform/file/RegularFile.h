#pragma once

#include <QByteArray>
#include <QString>

// Reading and replacing the files the programs keep their data in (memory
// files, settings, the configured resources) on the condition that they are
// regular files. A FIFO would block an open or a read for ever, a device can
// be read without end and a rename over one replaces the device itself, so a
// path that names anything but a regular file (after following symlinks) is
// refused at once with the reason, before it is opened.
namespace RegularFile {

// Why an existing path is not a regular file ("It is a FIFO ..."); empty when
// it is one or does not exist.
QString NotRegularReason(const QString& strPath);

// Opens a regular file for reading without ever blocking on what is not one:
// the descriptor (the caller closes it), or -1 with the reason.
int OpenForReading(const QString& strPath, QString& strReason);

// Reads at most nMaxBytes of the file. False, with the reason, when it is
// missing, unreadable or not a regular file. When the file holds more than
// nMaxBytes, bytes holds the first nMaxBytes and bLonger is set.
bool Read(const QString& strPath, qint64 nMaxBytes, QByteArray& bytes, QString& strReason, bool& bLonger);

// Replaces the file (the target of a symlink, which stays) with bytes, or
// creates it. The new content goes to a temporary file beside the target,
// flushed and renamed over it, so a failure or a killed process leaves the
// previous file whole; permissions and owner are kept. Where no file can be
// created beside a target that can be written (a read-only folder), the target
// is written in place, after the space for the whole content has been
// reserved and the file-size limit checked: a refusal then still leaves it
// whole, only a crash or an I/O error in the middle of that write can leave it
// part old, part new. A successful save removes the temporary files that
// earlier interrupted saves of the same target left behind. False, with the
// system's reason, when the target is not a regular file or cannot be
// written.
bool Save(const QString& strPath, const QByteArray& bytes, QString& strReason);

// Whether Save could write the path, decided before any work is done (a
// download checks it before the instrument is busy for minutes).
bool CanSave(const QString& strPath, QString& strReason);

// Writes the warning to standard error, the first time only: a file that is
// read again and again is complained about once.
void WarnOnce(const QString& strWarning);

// The name that a temporary file of a save of strTarget starts with.
QString TemporaryPrefix(const QString& strTarget);

// The one folder of the user's settings and configured resources:
// $XDG_CONFIG_HOME/vaultline (~/.config/vaultline by default); empty when the
// system names no configuration folder at all.
QString ConfigFolder();

} // namespace RegularFile
