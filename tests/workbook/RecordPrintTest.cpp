#include "LibreOffice.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Startup.h"
#include "db/Statement.h"
#include "support/TestSupport.h"
#include "workbook/Package.h"
#include "workbook/RecordPrint.h"
#include "workbook/Workbook.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace workbook;

namespace {

const QString kTemplateFailure = QStringLiteral("打开汇总模版文件时发生错误，可能是没有安装MS Office或wps Office中的Excel");

class RecordingProgress final : public ui::ProgressSink {
public:
    void setCaption(const QString&) override {}
    void start(int total, int done) override { events << QStringLiteral("start %1 %2").arg(total).arg(done); }
    void step() override { events << QStringLiteral("step"); }
    void hide() override { events << QStringLiteral("hide"); }
    QStringList events;
};

struct PrintedField {
    QString name;
    QString hint;
    int sheet;
    CellAddress place;
};

class RecordPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        folder.copyOfSystemDataFile(systemDataFileName());
        ASSERT_TRUE(QFile::copy(test::builtProgramFolder() + printTemplateName(), folder.path(printTemplateName())));
        ASSERT_TRUE(OpenSurveyDatabase());
        setFileOpener([this](const QString& path) { opened << path; });
        ui::installProgress(&progress);
        db::Statement rows(workingDatabase().connection,
                           QStringLiteral("select FieldName, Hint, printPageID, printplace from DT_FieldList where PageID>=0"));
        while (rows.next()) fields.push_back({rows.text(0), rows.text(1), int(rows.integer(2)), cellAt(rows.text(3))});
    }
    void TearDown() override {
        for (const QString& path : opened) QFile::remove(path);
        ui::installProgress(nullptr);
        setFileOpener({});
        workingDatabase().connection.close();
        setProgramFolder({});
    }

    // A record with a different value in every field: the code, texts (one
    // with a leading zero), whole numbers, decimals and one empty indicator.
    void addRecord(qint64 code) {
        QStringList names;
        QVariantList values;
        db::Statement kinds(workingDatabase().connection, QStringLiteral("select FieldName, QueryType from DT_FieldList where PageID>=1"));
        for (int n = 1; kinds.next(); ++n) {
            names << kinds.text(0);
            values << (kinds.text(0) == QLatin1String("z002") ? QVariant()
                       : kinds.integer(1) == 2                ? QVariant(n + 0.25)
                       : kinds.integer(1) == 3                ? QVariant(n % 2 + 1)
                                                              : QVariant(n * 1000));
        }
        names << QStringLiteral("c901") << QStringLiteral("c902") << QStringLiteral("c903") << QStringLiteral("c904")
              << QStringLiteral("c905") << QStringLiteral("c906") << QStringLiteral("c907") << QStringLiteral("RecordState");
        values << code << QStringLiteral("北京市东城区总工会") << 110101 << 3 << QStringLiteral("张三")
               << QStringLiteral("01065123456") << 1 << 1;
        workingDatabase().connection.execute(QStringLiteral("insert into dt_data(%1) values(%2)")
                                                 .arg(names.join(QLatin1Char(',')), QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(','))),
                                             values);
    }

    QString expectedText(qint64 code, const QString& field) {
        db::Statement value(workingDatabase().connection, QStringLiteral("select %1 from view_data where c901=?").arg(field));
        value.bind(1, code);
        EXPECT_TRUE(value.next());
        return value.isNull(0) ? QString() : QString::number(value.value(0).toDouble(), 'g', 15);
    }

    QStringList printsOf(qint64 code) const {
        return QDir(documentsFolder()).entryList({QStringLiteral("2019打印表-%1*").arg(code)});
    }

    test::TempFolder folder;
    QStringList opened;
    RecordingProgress progress;
    std::vector<PrintedField> fields;
};

} // namespace

TEST_F(RecordPrintTest, TheTemplateShowsEveryPrintedFieldOnItsPage) {
    Workbook book = Workbook::open(folder.path(printTemplateName()));
    ASSERT_EQ(book.sheetCount(), 14);
    EXPECT_EQ(book.sheet(1).name(), QStringLiteral("封面"));
    EXPECT_EQ(book.sheet(14).name(), QStringLiteral("附表2"));
    ASSERT_EQ(fields.size(), 212u);
    for (const PrintedField& f : fields) {
        Sheet sheet = book.sheet(f.sheet);
        EXPECT_TRUE(sheet.text(f.place).isEmpty()) << f.name.toStdString();
        if (f.sheet == 1) {
            EXPECT_TRUE(sheet.text({f.place.row, 1}).endsWith(QStringLiteral("：")));  // the cover's label
        } else {
            EXPECT_EQ(sheet.text({f.place.row, 1}), f.hint);
            EXPECT_EQ(sheet.text({f.place.row, 2}), f.name);
        }
    }
    EXPECT_EQ(book.sheet(2).text({1, 1}).left(3), QStringLiteral("表1 "));
    EXPECT_EQ(book.sheet(1).text({9, 1}), QStringLiteral("2019年度基层以上工会调查表"));
}

TEST_F(RecordPrintTest, PrintingPutsEveryValueIntoItsCell) {
    const qint64 code = 110101000001;
    addRecord(code);
    const QString path = PrintRecord(workingDatabase().connection, code);
    ASSERT_FALSE(path.isEmpty()) << test::prompts().messages.join(u'\n').toStdString();
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(documentsFolder()).absoluteFilePath());
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("2019打印表-110101000001.xlsx"));
    QStringList expectedProgress{QStringLiteral("start 14 0")};
    for (int i = 0; i < 14; ++i) expectedProgress << QStringLiteral("step");
    EXPECT_EQ(progress.events, expectedProgress << QStringLiteral("hide"));

    Workbook book = Workbook::open(path);
    EXPECT_EQ(book.activeSheet(), 1);
    for (const PrintedField& f : fields) {
        const QString shown = book.sheet(f.sheet).text(f.place);
        if (f.name == QLatin1String("c902")) EXPECT_EQ(shown, QStringLiteral("北京市东城区总工会"));
        else if (f.name == QLatin1String("c905")) EXPECT_EQ(shown, QStringLiteral("张三"));
        else if (f.name == QLatin1String("c906")) EXPECT_EQ(shown, QStringLiteral("01065123456"));
        else EXPECT_EQ(shown, expectedText(code, f.name)) << f.name.toStdString();
    }
    const PrintedField& empty = *std::find_if(fields.begin(), fields.end(), [](const auto& f) { return f.name == u"z002"; });
    EXPECT_EQ(book.sheet(empty.sheet).text(empty.place), QString());
    EXPECT_EQ(book.sheet(1).text(cellAt(u"B12")), QStringLiteral("110101000001"));

    // A second print of the same record never overwrites the first.
    const QString second = PrintRecord(workingDatabase().connection, code);
    EXPECT_EQ(QFileInfo(second).fileName(), QStringLiteral("2019打印表-110101000001(2).xlsx"));

    REQUIRE_LIBREOFFICE();
    const auto shown = test::shownByLibreOffice(path, {QStringLiteral("封面"), QStringLiteral("附表2")}, folder.path(QStringLiteral("csv")));
    ASSERT_EQ(shown.size(), 2u);
    const auto& cover = shown.at(QStringLiteral("封面"));
    ASSERT_GE(cover.size(), 18u);
    EXPECT_EQ(cover[11][1], QStringLiteral("110101000001"));  // all twelve digits, never "1.10101E+11"
    EXPECT_EQ(cover[13][1], QStringLiteral("110101"));
    EXPECT_EQ(cover[17][1], QStringLiteral("01065123456"));
}

TEST_F(RecordPrintTest, EachPrintedPageFitsOneA4Sheet) {
    REQUIRE_LIBREOFFICE();
    const qint64 code = 110101000002;
    addRecord(code);
    const QString path = PrintRecord(workingDatabase().connection, code);
    ASSERT_FALSE(path.isEmpty());
    const QString pdf = test::convertedByLibreOffice(path, QStringLiteral("pdf"), folder.path(QStringLiteral("pdf")));
    ASSERT_FALSE(pdf.isEmpty());
    const QString content = QString::fromLatin1(test::readAll(pdf));
    EXPECT_EQ(content.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))), 14);
    EXPECT_TRUE(content.contains(QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0 0 595\\.\\d* 841\\.\\d*\\]"))));
}

TEST_F(RecordPrintTest, AMissingOrUnreadableTemplateGivesTheMessageAndWritesNothing) {
    const qint64 code = 110101000003;
    addRecord(code);
    const QString templatePath = folder.path(printTemplateName());
    QFile::remove(templatePath);
    EXPECT_TRUE(PrintRecord(workingDatabase().connection, code).isEmpty());
    test::writeAll(templatePath, "not a workbook");
    EXPECT_TRUE(PrintRecord(workingDatabase().connection, code).isEmpty());
    // A template whose columns are described over and over would take minutes to read.
    Package hostile = Package::read(test::builtProgramFolder() + printTemplateName());
    std::string columns = "<cols>";
    for (int i = 0; i < 20000; ++i) columns += R"(<col min="1" max="16384" width="9"/>)";
    hostile.setPart("xl/worksheets/sheet1.xml", R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                                                    + columns + "</cols><sheetData/></worksheet>");
    hostile.write(templatePath);
    EXPECT_TRUE(PrintRecord(workingDatabase().connection, code).isEmpty());
    EXPECT_EQ(test::prompts().messages, (QStringList{kTemplateFailure, kTemplateFailure, kTemplateFailure}));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(progress.events.isEmpty());
    EXPECT_TRUE(printsOf(code).isEmpty());
}

TEST_F(RecordPrintTest, AMissingRecordOrABadPrintPlaceEndsThePrintWithNothingWritten) {
    const qint64 code = 110101000004;
    EXPECT_TRUE(PrintRecord(workingDatabase().connection, code).isEmpty());
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("没有找到统计编码为110101000004的记录。")});

    addRecord(code);
    test::prompts().clear();
    workingDatabase().connection.execute(QStringLiteral("update DT_FieldList set printplace='1A' where FieldName='y012'"));
    EXPECT_TRUE(PrintRecord(workingDatabase().connection, code).isEmpty());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：单元格地址无效：“1A”")));
    EXPECT_EQ(progress.events.last(), QStringLiteral("hide"));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(printsOf(code).isEmpty());
}
