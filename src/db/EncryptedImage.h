#pragma once

#include <QByteArray>
#include <QString>

// A password-protected database file is the whole database image sealed with
// AES-256-GCM under a key derived from the password (PBKDF2-HMAC-SHA256 with a
// salt of its own). Layout, little-endian:
//   0   8  magic: 00 'Q' 'V' 'S' 'E' 'A' 'L' 00   (begins with 0x00 like every database file of the system)
//   8   4  format version (1)
//   12  4  PBKDF2 iterations
//   16  16 salt
//   32  12 nonce
//   44  n  ciphertext of the n-byte database image
//   44+n 16 authentication tag over bytes 0..43 and the ciphertext
namespace db::sealed {

bool isSealed(const QByteArray& fileStart);
bool isSealedFile(const QString& path);
QByteArray seal(const QByteArray& image, const QString& password);
// Raises db::Error when the password is wrong or a byte was changed.
QByteArray unseal(const QByteArray& file, const QString& password);

// The largest database file read whole into memory (sealed files and files from elsewhere).
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

// Reads a whole file; raises Error for a file larger than kMaxFileBytes.
QByteArray readFile(const QString& path);

// Turns a sealed file into the plain database it holds (the password is removed).
void removePassword(const QString& path, const QString& password);
// Seals a plain database file with a password.
void addPassword(const QString& path, const QString& password);

} // namespace db::sealed
