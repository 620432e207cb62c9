#include "lists/RecordDeletion.h"

#include "ListsTestSupport.h"
#include "db/Error.h"
#include "db/RecordSet.h"

namespace {

const QString kQuestion = QStringLiteral("您确定要删除当前所选择的记录吗？");
const QString kWarning = QStringLiteral("删除操作将不可恢复，您确认继续么？");

// Answers through the recording prompter and notes the buttons of every question.
class ButtonRecorder final : public ui::Prompter {
public:
    void inform(const QString& text, const QString& title, ui::MessageKind kind) override { test::prompts().inform(text, title, kind); }
    bool ask(const QString& text, const QString& title, ui::AskStyle style) override {
        titles << title;
        return test::prompts().ask(text, title, style);
    }
    ui::FileDialogAnswer chooseSaveFile(const ui::FileDialogRequest& r) override { return test::prompts().chooseSaveFile(r); }
    ui::FileDialogAnswer chooseOpenFile(const ui::FileDialogRequest& r) override { return test::prompts().chooseOpenFile(r); }
    int askQuestion(const QString& text, int buttons) override {
        buttonsAsked << buttons;
        return test::prompts().askQuestion(text, buttons);
    }
    int chooseFromMenu(const QStringList& c, int checked, QPoint at) override { return test::prompts().chooseFromMenu(c, checked, at); }
    bool inputText(const QString& caption, const QString& prompt, QString& text) override {
        return test::prompts().inputText(caption, prompt, text);
    }
    QList<int> buttonsAsked;
    QStringList titles;
};

// Five records in the record list, the list on its first row.
class RecordDeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        connection.open(test::surveyFileWithRecords(folder, 5));
        list.openKeyed(connection, recordListSql(), QStringLiteral("c901"));
        ui::installPrompter(&recorder);
    }
    void TearDown() override { ui::installPrompter(&test::prompts()); }

    bool deleteRows(const QList<qint64>& rows) {
        return DeleteListedRecords(connection, list, rows, QStringLiteral("dt_data"), QStringLiteral("c901"),
                                   [this] { shownRows << list.position(); });
    }
    QList<int> records() { return test::recordNumbers(connection); }
    // The record the list stands on, counted like recordNumbers.
    int currentRecord() { return int(list.integer(QStringLiteral("c901")) - test::kFirstCode + 1); }
    void answer(std::initializer_list<int> answers) { test::prompts().questionAnswers = answers; }

    test::TempFolder folder;
    db::Connection connection;
    db::RecordSet list;
    ButtonRecorder recorder;
    QList<qint64> shownRows;
};

} // namespace

TEST_F(RecordDeletionTest, YesToAllDeletesTheRowAskedAboutAndTheLaterSelectedRows) {
    answer({ui::qaCancel, ui::qaYesToAll});
    EXPECT_TRUE(deleteRows({3, 1, 4}));
    // The question closed without a button moved on from row 1 to row 3.
    EXPECT_EQ(shownRows, (QList<qint64>{1, 3}));
    EXPECT_EQ(recorder.buttonsAsked, (QList<int>{ui::qbYesToAll | ui::qbNo, ui::qbYesToAll | ui::qbNo}));
    EXPECT_EQ(test::prompts().messages, (QStringList{kQuestion, kQuestion}));
    EXPECT_EQ(records(), (QList<int>{1, 2, 3}));
    // The list ran again and stands where the row asked about was: now the last row.
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.position(), 2);
}

TEST_F(RecordDeletionTest, NoStopsAndClosingEveryQuestionDeletesNothing) {
    answer({ui::qaNo});
    EXPECT_FALSE(deleteRows({0, 2, 4}));
    EXPECT_EQ(test::prompts().messages.size(), 1);
    EXPECT_EQ(records(), (QList<int>{1, 2, 3, 4, 5}));

    test::prompts().clear();
    shownRows.clear();
    EXPECT_FALSE(deleteRows({0, 2, 4}));
    EXPECT_EQ(shownRows, (QList<qint64>{0, 2, 4}));
    EXPECT_EQ(test::prompts().messages.size(), 3);
    EXPECT_EQ(records(), (QList<int>{1, 2, 3, 4, 5}));
}

TEST_F(RecordDeletionTest, WithoutSeveralSelectedRowsTheCurrentRowIsAskedAbout) {
    list.moveTo(1);
    answer({ui::qaNo});
    EXPECT_FALSE(deleteRows({}));
    EXPECT_EQ(recorder.buttonsAsked, QList<int>{ui::qbYes | ui::qbNo});
    EXPECT_EQ(records(), (QList<int>{1, 2, 3, 4, 5}));

    // One selected row counts as none: the current row is deleted, and the list returns to its row.
    answer({ui::qaYes});
    EXPECT_TRUE(deleteRows({3}));
    EXPECT_EQ(records(), (QList<int>{1, 3, 4, 5}));
    EXPECT_EQ(list.position(), 1);
    EXPECT_EQ(currentRecord(), 3);

    // Deleting the last row returns to the new last row.
    list.last();
    answer({ui::qaYes});
    EXPECT_TRUE(deleteRows({}));
    EXPECT_EQ(records(), (QList<int>{1, 3, 4}));
    EXPECT_EQ(currentRecord(), 4);
}

TEST_F(RecordDeletionTest, ARowThatCanNoLongerBeReachedIsReplacedByTheLastRow) {
    answer({ui::qaCancel, ui::qaYesToAll});
    EXPECT_TRUE(deleteRows({1, 9}));
    EXPECT_EQ(shownRows, (QList<qint64>{1, 4}));
    EXPECT_EQ(records(), (QList<int>{1, 2, 3, 4}));

    // Record 2 deleted by another program since the list ran.
    connection.execute(QStringLiteral("DELETE FROM dt_data WHERE c901 = ?"), {test::kFirstCode + 1});
    shownRows.clear();
    answer({ui::qaCancel, ui::qaYesToAll});
    EXPECT_TRUE(deleteRows({0, 1}));
    EXPECT_EQ(shownRows, (QList<qint64>{0, 3}));
    EXPECT_EQ(records(), (QList<int>{1, 3}));
}

TEST_F(RecordDeletionTest, AnEmptyListAsksNothing) {
    connection.execute(QStringLiteral("DELETE FROM dt_data"));
    list.requery();
    EXPECT_FALSE(deleteRows({}));
    EXPECT_FALSE(deleteRows({0, 1}));
    EXPECT_TRUE(test::prompts().messages.isEmpty());
}

TEST_F(RecordDeletionTest, AFailureOnOneRecordDeletesNone) {
    connection.execute(QStringLiteral("CREATE TRIGGER keep_four BEFORE DELETE ON dt_data WHEN old.c901 = %1 "
                                      "BEGIN SELECT RAISE(ABORT, '记录被锁定'); END").arg(test::kFirstCode + 3));
    answer({ui::qaYesToAll});
    EXPECT_THROW(deleteRows({2, 3, 4}), db::Error);
    EXPECT_EQ(records(), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(connection.inTransaction());
}

TEST_F(RecordDeletionTest, DeletingAllRecordsNeedsYesToTheWarning) {
    EXPECT_FALSE(DeleteAllRecords(connection));
    EXPECT_EQ(test::prompts().messages, QStringList{kWarning});
    EXPECT_EQ(recorder.titles, QStringList{QStringLiteral("警告信息")});
    EXPECT_EQ(records().size(), 5);
    test::prompts().answers = {true};
    EXPECT_TRUE(DeleteAllRecords(connection));
    EXPECT_TRUE(records().isEmpty());
}

TEST_F(RecordDeletionTest, ARangeNeedsBothBoundsAndIsAskedFor) {
    const std::pair<const char*, const char*> missing[] = {{"", "110101000002"}, {"110101000001", "0"}, {"0", "0"}, {"00", ""}};
    for (const auto& [lower, upper] : missing) {
        test::prompts().clear();
        QString upperText = QLatin1String(upper);
        EXPECT_FALSE(DeleteRecordRange(connection, QLatin1String(lower), upperText)) << lower << " " << upper;
        EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("请输入删除的范围")});
    }
    QString upperText = QStringLiteral("110101000004");
    EXPECT_FALSE(DeleteRecordRange(connection, QStringLiteral("110101000002"), upperText));
    EXPECT_EQ(test::prompts().messages.last(), kWarning);
    EXPECT_EQ(records().size(), 5);

    test::prompts().answers = {true};
    EXPECT_TRUE(DeleteRecordRange(connection, QStringLiteral("110101000002"), upperText));
    EXPECT_EQ(records(), (QList<int>{1, 5}));
}

TEST_F(RecordDeletionTest, ARangeBelowOneStartsAtTheLowestCodeAndAReversedRangeHoldsOnlyItsLowerBound) {
    test::prompts().answers = {true, true};
    QString upperText = QStringLiteral("110101000002");
    EXPECT_TRUE(DeleteRecordRange(connection, QStringLiteral("0.5"), upperText));
    EXPECT_EQ(upperText, QStringLiteral("110101000002"));
    EXPECT_EQ(records(), (QList<int>{3, 4, 5}));

    upperText = QStringLiteral("110101000003");
    EXPECT_TRUE(DeleteRecordRange(connection, QStringLiteral("110101000004"), upperText));
    EXPECT_EQ(upperText, QStringLiteral("110101000004"));
    EXPECT_EQ(records(), (QList<int>{3, 5}));
}
