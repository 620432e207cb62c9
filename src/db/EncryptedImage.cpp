#include "db/EncryptedImage.h"

#include "db/Error.h"
#include "db/NewFile.h"

#include <QFile>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <limits>
#include <memory>

namespace db::sealed {
namespace {

constexpr char kMagic[8] = {'\0', 'Q', 'V', 'S', 'E', 'A', 'L', '\0'};
constexpr quint32 kVersion = 1;
constexpr quint32 kIterations = 20000;
// A crafted file must not make us spin for minutes deriving a key.
constexpr quint32 kMaxIterations = 1000000;
constexpr int kSaltSize = 16;
constexpr int kNonceSize = 12;
constexpr int kTagSize = 16;
constexpr int kHeaderSize = 8 + 4 + 4 + kSaltSize + kNonceSize;  // 44
constexpr int kKeySize = 32;
// The cipher takes the length of the data as an int: a longer image could be
// sealed or opened only in part, so it is refused whole.
constexpr qint64 kMaxImageSize = std::numeric_limits<int>::max() - kHeaderSize - kTagSize;

const QString kDamaged = QStringLiteral("文件已损坏或不是有效的数据库文件");
const QString kWrongPassword = QStringLiteral("密码不正确，或文件已被改动");

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

void putU32(unsigned char* at, quint32 v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

quint32 getU32(const unsigned char* at) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) v |= quint32(at[i]) << (8 * i);
    return v;
}

QByteArray deriveKey(const QString& password, const unsigned char* salt, quint32 iterations) {
    const QByteArray secret = password.toUtf8();
    QByteArray key(kKeySize, '\0');
    if (PKCS5_PBKDF2_HMAC(secret.constData(), int(secret.size()), salt, kSaltSize, int(iterations), EVP_sha256(),
                          kKeySize, reinterpret_cast<unsigned char*>(key.data())) != 1)
        throw Error(QStringLiteral("无法生成文件密钥"));
    return key;
}

const unsigned char* bytes(const QByteArray& a) { return reinterpret_cast<const unsigned char*>(a.constData()); }

} // namespace

bool isSealed(const QByteArray& fileStart) {
    return fileStart.size() >= 8 && std::memcmp(fileStart.constData(), kMagic, 8) == 0;
}

bool isSealedFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return isSealed(file.read(8));
}

QByteArray seal(const QByteArray& image, const QString& password) {
    if (image.size() > kMaxImageSize) throw Error(QStringLiteral("数据库文件过大，无法加密"));
    QByteArray out(kHeaderSize + image.size() + kTagSize, '\0');
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    std::memcpy(o, kMagic, 8);
    putU32(o + 8, kVersion);
    putU32(o + 12, kIterations);
    unsigned char* salt = o + 16;
    unsigned char* nonce = salt + kSaltSize;
    if (RAND_bytes(salt, kSaltSize) != 1 || RAND_bytes(nonce, kNonceSize) != 1)
        throw Error(QStringLiteral("无法生成随机数"));
    const QByteArray key = deriveKey(password, salt, kIterations);

    CipherContext ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int len = 0;
    bool ok = ctx && EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
              && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceSize, nullptr) == 1
              && EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, bytes(key), nonce) == 1
              && EVP_EncryptUpdate(ctx.get(), nullptr, &len, o, kHeaderSize) == 1
              && EVP_EncryptUpdate(ctx.get(), o + kHeaderSize, &len, bytes(image), int(image.size())) == 1
              && EVP_EncryptFinal_ex(ctx.get(), o + kHeaderSize + len, &len) == 1
              && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagSize, o + kHeaderSize + image.size()) == 1;
    if (!ok) throw Error(QStringLiteral("加密数据库文件失败"));
    return out;
}

QByteArray unseal(const QByteArray& file, const QString& password) {
    if (!isSealed(file) || file.size() < kHeaderSize + kTagSize || file.size() - kHeaderSize - kTagSize > kMaxImageSize)
        throw Error(kDamaged);
    const unsigned char* f = bytes(file);
    const quint32 iterations = getU32(f + 12);
    if (getU32(f + 8) != kVersion || iterations == 0 || iterations > kMaxIterations) throw Error(kDamaged);
    const unsigned char* salt = f + 16;
    const unsigned char* nonce = salt + kSaltSize;
    const qsizetype n = file.size() - kHeaderSize - kTagSize;
    const QByteArray key = deriveKey(password, salt, iterations);

    QByteArray image(n, '\0');
    auto* out = reinterpret_cast<unsigned char*>(image.data());
    QByteArray tag = file.right(kTagSize);
    CipherContext ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int len = 0;
    bool ok = ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
              && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceSize, nullptr) == 1
              && EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, bytes(key), nonce) == 1
              && EVP_DecryptUpdate(ctx.get(), nullptr, &len, f, kHeaderSize) == 1
              && EVP_DecryptUpdate(ctx.get(), out, &len, f + kHeaderSize, int(n)) == 1
              && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) == 1
              && EVP_DecryptFinal_ex(ctx.get(), out + len, &len) == 1;
    if (!ok) throw Error(kWrongPassword);
    return image;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法打开文件“%1”：%2").arg(path, lastFileErrorText()));
    if (file.size() > kMaxFileBytes) throw Error(QStringLiteral("文件过大，不是有效的数据库文件：") + path);
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("读取文件“%1”时出错：%2").arg(path, lastFileErrorText()));
    return content;
}

void removePassword(const QString& path, const QString& password) {
    writeFileWhole(path, unseal(readFile(path), password));
}

void addPassword(const QString& path, const QString& password) {
    const QByteArray image = readFile(path);
    if (isSealed(image)) throw Error(QStringLiteral("文件已经设置了密码"));
    writeFileWhole(path, seal(image, password));
}

} // namespace db::sealed
