#include "entry/RtfReader.h"

#include "core/TextEncoding.h"

#include <cctype>
#include <utility>
#include <vector>

namespace {

struct Style {
    bool bold = false;
    int halfPoints = 24;
    bool skip = false;  // inside a destination that holds no text
    int replacementChars = 1;
};

class Reader {
public:
    explicit Reader(const QByteArray& rtf) : rtf_(rtf) {}

    QString run() {
        std::vector<Style> stack{Style{}};
        while (at_ < rtf_.size()) {
            const char c = rtf_[at_];
            if (c == '{') {
                flushBytes(stack.back());
                stack.push_back(stack.back());
                ++at_;
            } else if (c == '}') {
                flushBytes(stack.back());
                if (stack.size() > 1) stack.pop_back();
                ++at_;
            } else if (c == '\\') {
                controlWord(stack);
            } else if (c == '\r' || c == '\n') {
                ++at_;
            } else {
                flushBytes(stack.back());
                appendText(stack.back(), QString(QLatin1Char(c)));
                ++at_;
            }
        }
        flushBytes(stack.back());
        if (inParagraph_ || !runText_.isEmpty()) endParagraph();
        return html_;
    }

private:
    void controlWord(std::vector<Style>& stack) {
        Style& style = stack.back();
        ++at_;  // the backslash
        if (at_ >= rtf_.size()) return;
        const char c = rtf_[at_];
        if (c == '\\' || c == '{' || c == '}') {
            flushBytes(style);
            appendText(style, QString(QLatin1Char(c)));
            ++at_;
            return;
        }
        if (c == '\'') {
            // A byte of the document's code page; consecutive ones form one character.
            bool ok = false;
            const int byte = rtf_.mid(at_ + 1, 2).toInt(&ok, 16);
            if (ok && !style.skip) pendingBytes_ += char(byte);
            at_ += 3;
            return;
        }
        if (c == '*') {
            style.skip = true;
            ++at_;
            return;
        }
        QByteArray word;
        while (at_ < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[at_]))) word += rtf_[at_++];
        QByteArray number;
        if (at_ < rtf_.size() && (rtf_[at_] == '-' || std::isdigit(static_cast<unsigned char>(rtf_[at_])))) {
            number += rtf_[at_++];
            while (at_ < rtf_.size() && std::isdigit(static_cast<unsigned char>(rtf_[at_]))) number += rtf_[at_++];
        }
        if (at_ < rtf_.size() && rtf_[at_] == ' ') ++at_;  // the delimiter belongs to the word
        const bool hasNumber = !number.isEmpty();
        const int value = number.toInt();
        flushBytes(style);

        if (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" || word == "pict") {
            style.skip = true;
        } else if (word == "par" || word == "line") {
            if (!style.skip) endParagraph();
        } else if (word == "tab") {
            appendText(style, QStringLiteral("\u3000"));
        } else if (word == "b") {
            style.bold = !hasNumber || value != 0;
        } else if (word == "fs") {
            style.halfPoints = hasNumber && value > 0 ? value : 24;
        } else if (word == "plain") {
            style.bold = false;
            style.halfPoints = 24;
        } else if (word == "uc") {
            style.replacementChars = value;
        } else if (word == "u") {
            char16_t unit = char16_t(value < 0 ? value + 65536 : value);
            appendText(style, QString(QChar(unit)));
            skipReplacement(style.replacementChars);
        }
    }

    // Skips the characters that stand in for a \u character in older readers.
    void skipReplacement(int count) {
        for (int i = 0; i < count && at_ < rtf_.size(); ++i) {
            if (rtf_[at_] == '\\' && at_ + 1 < rtf_.size() && rtf_[at_ + 1] == '\'') at_ += 4;
            else if (rtf_[at_] == '{' || rtf_[at_] == '}') break;
            else ++at_;
        }
    }

    void flushBytes(const Style& style) {
        if (pendingBytes_.isEmpty()) return;
        const QByteArray bytes = std::exchange(pendingBytes_, {});
        appendText(style, decodeGb18030(bytes));
    }

    // Text collects in a run of one style, so that the two halves of a
    // character beyond the basic plane always land in the same span.
    void appendText(const Style& style, const QString& text) {
        if (style.skip || text.isEmpty()) return;
        if (!runText_.isEmpty() && (style.bold != runStyle_.bold || style.halfPoints != runStyle_.halfPoints)) flushRun();
        runStyle_ = style;
        runText_ += text;
    }

    void flushRun() {
        if (runText_.isEmpty()) return;
        if (!inParagraph_) {
            html_ += QStringLiteral("<p>");
            inParagraph_ = true;
        }
        html_ += QStringLiteral("<span style=\"font-size:%1pt%2\">")
                     .arg(runStyle_.halfPoints / 2.0)
                     .arg(runStyle_.bold ? QStringLiteral("; font-weight:bold") : QString())
                 + std::exchange(runText_, {}).toHtmlEscaped() + QStringLiteral("</span>");
    }

    void endParagraph() {
        flushRun();
        html_ += inParagraph_ ? QStringLiteral("</p>") : QStringLiteral("<p></p>");
        inParagraph_ = false;
    }

    const QByteArray& rtf_;
    qsizetype at_ = 0;
    QByteArray pendingBytes_;
    QString html_;
    QString runText_;
    Style runStyle_;
    bool inParagraph_ = false;
};

} // namespace

QString rtfToHtml(const QByteArray& rtf) { return Reader(rtf).run(); }
