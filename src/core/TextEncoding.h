#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// Text files the system writes are in GB18030: exactly the GBK bytes for every
// GBK character, and still able to hold the rare characters of people's and
// places' names that GBK lacks. Lines end with CR LF.
QByteArray encodeGb18030(const QString& text);
QString decodeGb18030(const QByteArray& bytes);

// The longest start of `text` whose GB18030 form has at most `maxBytes` bytes;
// a character is never split.
QString cutToByteLimit(const QString& text, int maxBytes);

// The text with its line breaks and other control characters made blanks, so
// that a value never splits a line of a text file.
QString singleLine(QString text);
// One line of a text file in GB18030 with its CR LF (see singleLine).
QByteArray encodeLine(const QString& line);

// Writes lines to a text file in GB18030 with CR LF. Output is buffered; flush()
// hands what was written to the system, so nothing reported is lost if the
// program stops afterwards. The file is the user's alone (mode 0600): it lies
// in the temporary folder and holds survey data. Failures raise std::runtime_error with the file
// and the cause in words ("磁盘已满" when the disk is full).
class TextFileWriter {
public:
    enum class Mode { Truncate, Append };
    // Raises std::runtime_error when the file cannot be opened.
    TextFileWriter(const QString& path, Mode mode);
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;
    ~TextFileWriter();
    void writeLine(const QString& line);
    // Writes text already in GB18030, line ends included.
    void writeEncoded(const QByteArray& text);
    void flush();
    void close();

private:
    std::string failure(const QString& pattern, int errorNumber) const;

    QString path_;
    int fd_ = -1;
    QByteArray buffer_;
};
