#include "core/TextEncoding.h"
#include "entry/RtfReader.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

QString plain(const QString& html) {
    QString text = html;
    text.replace(QStringLiteral("</p>"), QStringLiteral("\n"));
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return text.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">")).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

} // namespace

TEST(RtfReader, ReadsParagraphsBoldSizesAndEscapes) {
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}\n"
                           "\\fs28\\b \\u-30616?1\\b0\\par\n"
                           "\\fs20 a\\{b\\}\\\\c <d> \\'d6\\'d0\\u25991?\\par\n"
                           "{\\*\\generator hidden}\\u-10179?\\u-8704?\\par\n}";
    const QString html = rtfToHtml(rtf);
    EXPECT_EQ(plain(html), QStringLiteral("表1\na{b}\\c <d> 中文\n") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("\n"));
    EXPECT_TRUE(html.contains(QStringLiteral("font-size:14pt; font-weight:bold\">表1")));
    EXPECT_TRUE(html.contains(QStringLiteral("font-size:10pt\">a{b}")));
    EXPECT_FALSE(html.contains(QStringLiteral("SimSun")));
    EXPECT_FALSE(html.contains(QStringLiteral("hidden")));
}

TEST(RtfReader, ReadsEveryNotesFileOfTheProgram) {
    const QDir notes(test::builtProgramFolder() + QStringLiteral("notes"));
    for (int page = 0; page < 14; ++page) {
        QFile file(notes.filePath(QStringLiteral("TableNotesQV-%1.rtf").arg(page, 2, 10, QLatin1Char('0'))));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page;
        const QString text = plain(rtfToHtml(file.readAll()));
        EXPECT_GT(text.size(), 100) << page;
        EXPECT_FALSE(text.contains(QLatin1Char('\\'))) << page;
    }
}
