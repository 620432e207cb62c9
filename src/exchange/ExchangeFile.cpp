#include "exchange/ExchangeFile.h"
#include "db/Error.h"

#include "core/ExchangePassword.h"
#include "core/TextEncoding.h"
#include "db/EncryptedImage.h"
#include "db/NewFile.h"
#include "db/Statement.h"

#include <QFileInfo>
#include <QVariant>

#include <openssl/evp.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace {

// Encrypts whole 16-byte blocks, each by itself.
class BlockCipher {
public:
    explicit BlockCipher(const QString& key) : context_(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free) {
        std::array<unsigned char, 16> keyBytes{};
        const QByteArray given = key.left(16).toLatin1();
        std::copy(given.begin(), given.end(), keyBytes.begin());
        if (!context_ || EVP_EncryptInit_ex(context_.get(), EVP_aes_128_ecb(), nullptr, keyBytes.data(), nullptr) != 1
            || EVP_CIPHER_CTX_set_padding(context_.get(), 0) != 1)
            throw std::runtime_error("无法使用AES-128加密");
    }
    QByteArray encrypt(const QByteArray& blocks) {
        QByteArray out(blocks.size(), '\0');
        int written = 0;
        if (EVP_EncryptUpdate(context_.get(), reinterpret_cast<unsigned char*>(out.data()), &written,
                              reinterpret_cast<const unsigned char*>(blocks.constData()), int(blocks.size())) != 1
            || written != blocks.size())
            throw std::runtime_error("AES-128加密失败");
        return out;
    }

private:
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context_;
};

QString wholeNumberText(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("0");
    return QString::number(std::llround(db::variantToReal(value)));
}

QString reportText(QString text) {
    if (text.contains(u',')) return text.replace(u',', u'，');
    return text.replace(u'－', u'-');
}

// The report's text, written through a pointer into room made ahead: most of
// it is digits and commas, far too many small pieces for QByteArray's appends.
// Every row first makes room for its whole numbers and commas
// (`rowRoom`); a text that goes in between makes room for itself and that.
class ReportText {
public:
    explicit ReportText(qsizetype rowRoom) : rowRoom_(rowRoom) {}

    void startRow() { makeRoom(rowRoom_); }
    void put(char c) { text_.data()[used_++] = c; }
    void putNumber(qint64 number) {
        char* start = text_.data() + used_;
        used_ += std::to_chars(start, start + kNumberRoom, number).ptr - start;
    }
    void append(const QByteArray& bytes) {
        makeRoom(bytes.size() + rowRoom_);
        std::memcpy(text_.data() + used_, bytes.constData(), size_t(bytes.size()));
        used_ += bytes.size();
    }
    QByteArray take() {
        text_.truncate(used_);
        return std::move(text_);
    }

    // A whole number, its sign and the comma after it.
    static constexpr qsizetype kNumberRoom = 21;

private:
    void makeRoom(qsizetype bytes) {
        if (text_.size() - used_ < bytes) text_.resize(std::max(2 * text_.size(), used_ + bytes));
    }

    QByteArray text_;
    qsizetype used_ = 0;
    qsizetype rowRoom_;
};

// Writes the GB18030 form of ReportValueText(queryType, value) of the cell in
// `column` of the current row of `records`. Nearly every cell is a whole
// number, whose digits are written straight from the engine's value: the
// report of every record then costs little more than reading it.
void putReportValue(ReportText& text, int queryType, const db::Statement& records, int column) {
    // Whole numbers up to 2^53 convert to a real and back unchanged, and
    // below 10^15 the general number format writes all their digits.
    constexpr qint64 kExact = qint64(1) << 53;
    const bool numeric = queryType == 0 || queryType == 2 || queryType == 3;
    const db::StoredKind kind = records.storedKind(column);
    if (numeric && kind == db::StoredKind::Integer) {
        const qint64 number = records.storedInteger(column);
        if (number > -kExact && number < kExact && (queryType != 2 || std::llabs(number) < 1000000000000000)) {
            text.putNumber(number);
            return;
        }
    }
    if (numeric && kind == db::StoredKind::Null) {
        text.put('0');
        return;
    }
    text.append(encodeGb18030(singleLine(ReportValueText(queryType, records.value(column)))));
}

} // namespace

void TransformHeaderBytes(QByteArray& file) {
    for (qsizetype i = 0; i < std::min<qsizetype>(file.size(), kExchangeHeaderSize); ++i)
        file[i] = char(((quint8(file[i]) + 2) & 0xFF) ^ 7);
}

void RestoreHeaderBytes(QByteArray& file) {
    if (file.startsWith('\x05')) {
        for (qsizetype i = 0; i < std::min<qsizetype>(file.size(), kExchangeHeaderSize); ++i)
            file[i] = char(((quint8(file[i]) ^ 7) - 2) & 0xFF);
    } else if (file.startsWith('\x66')) {
        const QByteArray signature = PlainDatabaseSignature();
        file.replace(0, std::min(file.size(), signature.size()), signature);
    }
}

bool IsTransformable(const QByteArray& fileStart) { return db::sealed::isSealed(fileStart); }

bool IsRestorable(const QByteArray& fileStart) { return fileStart.startsWith('\x05') || fileStart.startsWith('\x66'); }

void TransformExchangeHeader(const QString& path) {
    if (!QFileInfo(path).isFile()) return;
    QByteArray file = db::sealed::readFile(path);
    TransformHeaderBytes(file);
    db::writeFileWhole(path, file);
}

void RestoreExchangeHeader(const QString& path) {
    if (!QFileInfo(path).isFile()) return;
    QByteArray file = db::sealed::readFile(path);
    if (!IsRestorable(file)) return;
    RestoreHeaderBytes(file);
    db::writeFileWhole(path, file);
}

QString DeriveReportKey() {
    constexpr std::array<std::pair<int, int>, 3> swaps{{{1, 14}, {4, 11}, {6, 9}}};
    return DeriveFromStoredString(QStringLiteral("hT5pLw2qXc8sNd4m"), 3, swaps);
}

void EncryptFileAes(const QByteArray& plain, const QString& destination, const QString& key) {
    const quint64 length = quint64(plain.size());
    QByteArray lengthField(8, '\0');
    for (int i = 0; i < 8; ++i) lengthField[i] = char((length >> (8 * i)) & 0xFF);
    db::NewFile out(destination);
    out.write(lengthField);
    BlockCipher cipher(key);
    constexpr qsizetype kPiece = 1 << 20;
    for (qsizetype done = 0; done < plain.size(); done += kPiece) {
        const qsizetype size = std::min(kPiece, plain.size() - done);
        if (size % 16 == 0) {
            out.write(cipher.encrypt(QByteArray::fromRawData(plain.constData() + done, size)));
            continue;
        }
        // The last piece is filled up with zero bytes to whole blocks.
        QByteArray last = plain.mid(done, size);
        last.append(QByteArray(16 - size % 16, '\0'));
        out.write(cipher.encrypt(last));
    }
    out.commit();
}

QString GeneralNumberText(double value) {
    if (value == 0 || !std::isfinite(value)) return QStringLiteral("0");
    const double magnitude = std::fabs(value);
    if (magnitude < 0.00001 || magnitude >= 1e15) {
        // Mantissa with up to 15 significant digits, then E and the exponent.
        const QString scientific = QString::number(value, 'e', 14);
        const qsizetype e = scientific.indexOf(u'e');
        QString mantissa = scientific.left(e);
        if (mantissa.contains(u'.')) {
            while (mantissa.endsWith(u'0')) mantissa.chop(1);
            if (mantissa.endsWith(u'.')) mantissa.chop(1);
        }
        return mantissa + u'E' + QString::number(scientific.mid(e + 1).toInt());
    }
    const int integerDigits = int(std::floor(std::log10(magnitude))) + 1;
    QString text = QString::number(value, 'f', std::max(0, 15 - integerDigits));
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) text.chop(1);
        if (text.endsWith(u'.')) text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString ReportValueText(int queryType, const QVariant& value) {
    switch (queryType) {
    case 0:
    case 3:
        return wholeNumberText(value);
    case 1:
        return reportText(db::variantToText(value));
    case 2:
        return value.isNull() ? QStringLiteral("0") : GeneralNumberText(db::variantToReal(value));
    default:
        return db::variantToText(value);
    }
}

QByteArray PlainReportText(db::Connection& connection) {
    struct ReportField {
        QString name;
        int queryType;
        bool recordState;  // written as the whole number it holds
    };
    QList<ReportField> fields;
    db::Statement fieldList(connection, QStringLiteral(
        "select fieldName,QueryType from dt_fieldlist where sequence>0 and sequence<1000 order by sequence"));
    while (fieldList.next()) {
        const QString name = fieldList.text(0);
        fields.append({name, int(fieldList.integer(1)), name.compare(QLatin1String("RecordState"), Qt::CaseInsensitive) == 0});
    }

    QString header;
    for (const ReportField& field : fields) header += field.name + u',';
    ReportText text(fields.size() * ReportText::kNumberRoom + 2);
    text.append(encodeLine(header));

    db::Statement records(connection, QStringLiteral("select * from dt_data order by c901 asc"));
    QList<int> columns;
    for (const ReportField& field : fields) columns << records.columnIndex(field.name);
    while (records.next()) {
        text.startRow();
        for (qsizetype i = 0; i < fields.size(); ++i) {
            putReportValue(text, fields[i].recordState ? 0 : fields[i].queryType, records, columns[i]);
            text.put(',');
        }
        text.put('\r');
        text.put('\n');
    }
    return text.take();
}

QString CompleteOpenedFileName(const QString& chosen, const QString& extension) {
    QString name = chosen.trimmed();
    if (name.size() > 4 && !name.endsWith(extension)) name += extension;
    return name;
}

QString CompleteSavedExchangeName(const QString& chosen) {
    QString name = chosen.trimmed();
    if (name.size() < 5 || !name.endsWith(QLatin1String(".dat"))) name += QStringLiteral(".dat");
    return name;
}
