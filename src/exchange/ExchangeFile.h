#pragma once

#include <QByteArray>
#include <QString>

class QVariant;

namespace db {
class Connection;
}

// The small file routines every exchange operation shares: the header
// transform of exchange files, the report key, the AES file of the report,
// the value conversion of the plain report text and the completion of chosen
// file names. File errors are raised as std::runtime_error with a text for
// the user.

// Number of leading bytes the header transform changes.
constexpr int kExchangeHeaderSize = 1024;

// Transforms bytes 0 to 1023 of a finished plain file (each b becomes
// ((b + 2) mod 256) XOR 7), so that it begins with 0x05. Applied exactly once;
// a missing file is left alone. The file is rewritten whole (see db::NewFile).
void TransformExchangeHeader(const QString& path);
// The same on a file's bytes in memory.
void TransformHeaderBytes(QByteArray& file);

// The first 16 bytes of a plain database file: "SQLite format 3" and a zero byte.
inline QByteArray PlainDatabaseSignature() { return QByteArrayLiteral("SQLite format 3\0"); }

// Undoes the header transform: a file beginning with 0x05 gets bytes 0 to 1023
// back; one beginning with 0x66 gets the plain database signature written over
// bytes 0 to 15. Any other file, and a missing one, is left alone. The file is
// rewritten whole (see db::NewFile).
void RestoreExchangeHeader(const QString& path);
// The same on a file's bytes in memory.
void RestoreHeaderBytes(QByteArray& file);

// Whether a file's first bytes are in the form the transform takes (a sealed
// file, beginning with 0x00) or in a form the restore undoes (0x05, 0x66).
bool IsTransformable(const QByteArray& fileStart);
bool IsRestorable(const QByteArray& fileStart);

// The 16-character key of the encrypted report file, derived at run time.
QString DeriveReportKey();

// Encrypts the text `plain` (held in memory, so that it never touches the
// disk) into `destination`: its length L as 8 bytes little-endian, then each
// 16-byte piece encrypted by itself with AES-128 under `key` (cut or
// zero-filled to 16 bytes), the last piece zero-filled. The destination is
// replaced whole or not at all; a failed write raises db::Error naming the cause.
void EncryptFileAes(const QByteArray& plain, const QString& destination, const QString& key);

// A value of the plain report text by its QueryType: 0 and 3 a whole number
// (null "0"), 1 the text with "," turned into "，" or else "－" into "-", 2 the
// general number format (null "0"); other kinds the value's own text form.
QString ReportValueText(int queryType, const QVariant& value);

// A number in general format: up to 15 significant digits, no trailing zeros,
// "." as decimal point; scientific form ("1E-6", "1.5E20") for nonzero values
// below 0.00001 in magnitude and for more than 15 integer digits.
QString GeneralNumberText(double value);

// The plain report text of the survey records of `connection` (GB18030,
// CR LF): the header line of the reported field names, then one line per
// record in ascending c901, every cell followed by ",". RecordState is written
// as the whole number it holds.
QByteArray PlainReportText(db::Connection& connection);

// The name chosen in an open dialog, trimmed, with `extension` (".dat",
// ".mdb") appended when it is longer than 4 characters and does not end in it.
QString CompleteOpenedFileName(const QString& chosen, const QString& extension);

// The name chosen in the save dialog of an export, trimmed, with ".dat"
// appended when it is shorter than 5 characters or does not end in ".dat".
QString CompleteSavedExchangeName(const QString& chosen);
