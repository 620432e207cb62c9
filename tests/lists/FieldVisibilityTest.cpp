#include "lists/FieldVisibility.h"

#include "ListsTestSupport.h"
#include "db/Error.h"

namespace {

class FieldVisibilityTest : public ::testing::Test {
protected:
    void SetUp() override { connection.open(test::surveyFileWithRecords(folder, 0)); }
    // FieldName of every visible field, in sequence order.
    QStringList visibleFields() {
        db::Statement visible(connection, QStringLiteral("SELECT FieldName FROM DT_FieldList WHERE Visible ORDER BY sequence"));
        QStringList names;
        while (visible.next()) names << visible.text(0);
        return names;
    }
    qint64 idOf(const QString& fieldName) {
        return connection.scalar(QStringLiteral("SELECT ID FROM DT_FieldList WHERE FieldName = ?"), {fieldName}).toLongLong();
    }

    test::TempFolder folder;
    db::Connection connection;
};

} // namespace

TEST_F(FieldVisibilityTest, TheSheetsFieldsComeBySheetAndSequenceWithTheirFlags) {
    const std::vector<FieldVisibility> fields = LoadFieldVisibility(connection);
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields.front().fieldName, QStringLiteral("c901"));
    EXPECT_EQ(fields.front().hint, QStringLiteral("统计编码"));
    EXPECT_TRUE(fields.front().visible);
    int page = 0;
    for (const FieldVisibility& f : fields) {
        EXPECT_GE(f.pageId, page) << f.fieldName.toStdString();
        page = f.pageId;
        EXPECT_NE(f.fieldName, QStringLiteral("RecordState"));
        if (f.pageId > 0) {
            EXPECT_FALSE(f.sheetName.isEmpty()) << f.fieldName.toStdString();
        }
    }
    EXPECT_GT(page, 0);
}

TEST_F(FieldVisibilityTest, SavingShowsExactlyTheTickedFieldsAndLeavesFieldsWithoutASheetAlone) {
    SaveFieldVisibility(connection, {});
    EXPECT_EQ(visibleFields(), QStringList{QStringLiteral("RecordState")});
    SaveFieldVisibility(connection, {idOf(QStringLiteral("z002")), idOf(QStringLiteral("c902"))});
    EXPECT_EQ(visibleFields(), (QStringList{QStringLiteral("RecordState"), QStringLiteral("c902"), QStringLiteral("z002")}));
}

TEST_F(FieldVisibilityTest, AFailedSaveChangesNothing) {
    const QStringList before = visibleFields();
    connection.execute(QStringLiteral("CREATE TRIGGER refuse_z002 BEFORE UPDATE ON DT_FieldList WHEN new.FieldName = 'z002' "
                                      "AND new.Visible BEGIN SELECT RAISE(ABORT, '字段被锁定'); END"));
    EXPECT_THROW(SaveFieldVisibility(connection, {idOf(QStringLiteral("c902")), idOf(QStringLiteral("z002"))}), db::Error);
    EXPECT_EQ(visibleFields(), before);
}
