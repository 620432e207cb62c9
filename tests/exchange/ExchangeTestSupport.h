#pragma once

#include "checks/CheckTestSupport.h"
#include "core/ExchangePassword.h"
#include "db/Maintenance.h"
#include "db/Statement.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ExportForReporting.h"

#include <QFile>

#include <openssl/evp.h>

namespace test {

// The working database on a private program folder that holds the exchange template too.
class ExchangeDatabase : public CheckDatabase {
protected:
    void SetUp() override {
        CheckDatabase::SetUp();
        QFile::copy(builtProgramFolder() + QStringLiteral("view.dll"), folder.path(QStringLiteral("view.dll")));
    }
    static qint64 count(const QString& sql) { return db().scalar(sql).toLongLong(); }
};

// Writes the exchange file `path` as another office's export would: records of
// `codes` (verified, named "单位" + the last three digits) under `label`. The
// working database's program folder must hold "view.dll".
inline void writeExchangeFile(const QString& path, const QList<qint64>& codes, const QString& label) {
    TempFolder other;
    WorkingDatabase office;
    office.connection.open(other.copyOfSystemDataFile());
    office.path = office.connection.path();
    db::Transaction transaction(office.connection);
    for (qint64 code : codes)
        office.connection.execute(QStringLiteral("INSERT INTO dt_data(c901,c902,c907,RecordState) VALUES(?,?,1,1)"),
                                  {code, QStringLiteral("单位%1").arg(code % 1000)});
    transaction.commit();
    WriteExchangeFile(office, label, path);
}

// Opens an exchange file as the receiving office does: header restored on a copy, then with the password.
inline void openExchangeFile(db::Connection& connection, const QString& path, const QString& copy) {
    QFile::remove(copy);
    QFile::copy(path, copy);
    RestoreExchangeHeader(copy);
    connection.open(copy, db::Access::ReadOnly, DeriveExchangePassword());
}

// Decrypts 16-byte blocks with AES-128 under a 16-byte key, each block by itself.
inline QByteArray decryptBlocks(const QByteArray& blocks, const QByteArray& key) {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_DecryptInit_ex(context, EVP_aes_128_ecb(), nullptr, reinterpret_cast<const unsigned char*>(key.constData()), nullptr);
    EVP_CIPHER_CTX_set_padding(context, 0);
    QByteArray plain(blocks.size(), '\0');
    int written = 0;
    EVP_DecryptUpdate(context, reinterpret_cast<unsigned char*>(plain.data()), &written,
                      reinterpret_cast<const unsigned char*>(blocks.constData()), int(blocks.size()));
    EVP_CIPHER_CTX_free(context);
    return plain;
}

// Decrypts an encrypted report file with the report key and cuts it to its stored length.
inline QByteArray decryptReportFile(const QString& path) {
    const QByteArray file = readAll(path);
    quint64 length = 0;
    for (int i = 7; i >= 0; --i) length = (length << 8) | quint8(file[i]);
    return decryptBlocks(file.mid(8), DeriveReportKey().toLatin1()).left(qsizetype(length));
}

} // namespace test
