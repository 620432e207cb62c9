#include "core/TextEncoding.h"
#include "db/Error.h"


#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace {

// The converter for one direction, opened once: opening one costs far more
// than converting a short text. The program converts on one thread only.
iconv_t converter(bool toGb18030) {
    static iconv_t toGb = iconv_open("GB18030", "UTF-8");
    static iconv_t fromGb = iconv_open("UTF-8", "GB18030");
    const iconv_t cd = toGb18030 ? toGb : fromGb;
    if (cd == iconv_t(-1)) throw std::runtime_error("无法进行GB18030编码转换");
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return cd;
}

QByteArray convert(const QByteArray& input, bool toGb18030) {
    iconv_t cd = converter(toGb18030);
    QByteArray output(input.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = size_t(input.size());
    char* out = output.data();
    size_t outLeft = size_t(output.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != size_t(-1)) continue;
        if (errno == E2BIG) {
            const qsizetype used = out - output.data();
            output.resize(output.size() * 2);
            out = output.data() + used;
            outLeft = size_t(output.size() - used);
        } else {
            // An invalid or cut-off sequence: skip one byte, as a reader would.
            ++in;
            --inLeft;
        }
    }
    output.truncate(out - output.data());
    return output;
}

} // namespace

QByteArray encodeGb18030(const QString& text) {
    // ASCII text is the same in GB18030.
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    return ascii ? text.toLatin1() : convert(text.toUtf8(), true);
}

QString decodeGb18030(const QByteArray& bytes) { return QString::fromUtf8(convert(bytes, false)); }

QString cutToByteLimit(const QString& text, int maxBytes) {
    if (encodeGb18030(text).size() <= maxBytes) return text;
    int used = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        // One character: a single UTF-16 unit or a surrogate pair.
        const qsizetype length = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const int size = text[end].unicode() < 0x80 ? 1 : int(encodeGb18030(text.mid(end, length)).size());
        if (used + size > maxBytes) break;
        used += size;
        end += length;
    }
    return text.left(end);
}

QString singleLine(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = u' ';
    return text;
}

QByteArray encodeLine(const QString& line) { return encodeGb18030(singleLine(line)).append("\r\n"); }

TextFileWriter::TextFileWriter(const QString& path, Mode mode) : path_(path) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Append ? O_APPEND : O_TRUNC);
    fd_ = ::open(QFile::encodeName(path).constData(), flags, 0600);
    // A file left by an earlier version may be readable by others.
    if (fd_ >= 0 && ::fchmod(fd_, 0600) != 0) {
        const int cause = errno;
        ::close(std::exchange(fd_, -1));
        throw std::runtime_error(failure(QStringLiteral("无法建立文件“%1”：%2"), cause));
    }
    if (fd_ < 0) throw std::runtime_error(failure(QStringLiteral("无法建立文件“%1”：%2"), errno));
}

TextFileWriter::~TextFileWriter() {
    try {
        close();
    } catch (...) {
        // Callers that need to know call close() themselves.
    }
}

void TextFileWriter::writeLine(const QString& line) { writeEncoded(encodeLine(line)); }

void TextFileWriter::writeEncoded(const QByteArray& text) {
    buffer_ += text;
    if (buffer_.size() >= 64 * 1024) flush();
}

void TextFileWriter::flush() {
    const char* data = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, size_t(left));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) throw std::runtime_error(failure(QStringLiteral("无法写入文件“%1”：%2"), errno));
        data += written;
        left -= written;
    }
    buffer_.clear();
}

void TextFileWriter::close() {
    if (fd_ < 0) return;
    try {
        flush();
    } catch (...) {
        ::close(std::exchange(fd_, -1));
        throw;
    }
    if (::close(std::exchange(fd_, -1)) != 0)
        throw std::runtime_error(failure(QStringLiteral("无法写入文件“%1”：%2"), errno));
}

std::string TextFileWriter::failure(const QString& pattern, int errorNumber) const {
    return pattern.arg(path_, db::systemErrorText(errorNumber)).toStdString();
}
