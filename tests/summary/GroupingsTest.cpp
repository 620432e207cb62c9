#include "summary/GroupingFile.h"
#include "summary/Groupings.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

namespace {

const QString kTrickyText = QStringLiteral("O'Neil \"甲\" `乙` 𠮷");
const QString kMissingItems = QStringLiteral("您选择的文件中不存在名字为\"DT_GroupItem\"的数据表");
const QString kImported = QStringLiteral("数据分组导入操作完成！");

class ProgressLog final : public ui::ProgressSink {
public:
    void setCaption(const QString&) override {}
    void start(int total, int done) override { calls << QStringLiteral("start %1 %2").arg(total).arg(done); }
    void step() override { calls << QStringLiteral("step"); }
    void hide() override { calls << QStringLiteral("hide"); }
    QStringList calls;
};

// The working database on a copy of the system data file in a program folder
// of its own, and grouping files beside it.
class GroupingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        systemFile = folder.copyOfSystemDataFile(systemDataFileName());
        working.open(systemFile);
    }
    void TearDown() override { setProgramFolder({}); }

    static GroupItem item(const QString& title, qint64 low, qint64 high) {
        return {title, low, QStringLiteral(">="), high, QStringLiteral("<")};
    }
    // The rows of a grouping table, ordered by id, one text per row.
    static QStringList rows(db::Connection& connection, const QString& table) {
        db::Statement all(connection, QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table));
        QStringList lines;
        while (all.next()) {
            QStringList cells;
            for (int c = 0; c < all.columnCount(); ++c) cells << all.text(c);
            lines << cells.join(QLatin1Char('|'));
        }
        return lines;
    }
    static QStringList columns(db::Connection& connection, const QString& table) {
        db::Statement info(connection, QStringLiteral("SELECT name || ' ' || type FROM pragma_table_info(?)"));
        info.bind(1, table);
        QStringList names;
        while (info.next()) names << info.text(0);
        return names;
    }
    // Two groupings, the first with two items, the second with one.
    void addGroupings(db::Connection& connection) {
        const qint64 first = AddGrouping(connection, QStringLiteral("按地区"));
        AddGroupItem(connection, first, item(QStringLiteral("北京"), 110000000000, 120000000000));
        AddGroupItem(connection, first, item(kTrickyText, 120000000000, 130000000000));
        const qint64 second = AddGrouping(connection, QStringLiteral("按系统"));
        AddGroupItem(connection, second, item(QStringLiteral("全部"), 1, 999999999999));
    }
    // A grouping file made by hand: `script` runs on a new empty file.
    QString handMadeFile(const QString& name, const QString& script) {
        const QString path = folder.path(name);
        db::Connection::createEmpty(path);
        db::Connection file;
        file.open(path);
        file.executeScript(script);
        return path;
    }
    // The definitions of the grouping tables, as the system data file has them.
    QString groupTableDefinition(const QString& table) {
        return working.scalar(QStringLiteral("SELECT sql FROM sqlite_schema WHERE name=?"), {table}).toString();
    }

    test::TempFolder folder;
    QString systemFile;
    db::Connection working;
    ProgressLog progress;
};

} // namespace

TEST_F(GroupingsTest, AGroupingKeepsItsNameAsTypedAndIsDeletedWithItsItems) {
    const qint64 first = AddGrouping(working, kTrickyText);
    EXPECT_EQ(first, working.scalar(QStringLiteral("SELECT max(id) FROM CT_Group")).toLongLong());
    EXPECT_EQ(working.scalar(QStringLiteral("SELECT name FROM CT_Group WHERE id=?"), {first}).toString(), kTrickyText);
    EXPECT_EQ(working.scalar(QStringLiteral("SELECT orderstr FROM CT_Group WHERE id=?"), {first}).toString(),
              QStringLiteral("id ASC"));
    const qint64 second = AddGrouping(working, QStringLiteral("第二"));
    EXPECT_EQ(second, first + 1);

    RenameGrouping(working, second, QStringLiteral("它的'名字'; drop table dt_data; --"));
    EXPECT_EQ(working.scalar(QStringLiteral("SELECT name FROM CT_Group WHERE id=?"), {second}).toString(),
              QStringLiteral("它的'名字'; drop table dt_data; --"));
    StoreGroupingOrder(working, second, QStringLiteral("LowValue DESC"));
    EXPECT_EQ(working.scalar(QStringLiteral("SELECT orderstr FROM CT_Group WHERE id=?"), {second}).toString(),
              QStringLiteral("LowValue DESC"));

    AddGroupItem(working, first, item(QStringLiteral("甲"), 1, 2));
    AddGroupItem(working, second, item(QStringLiteral("乙"), 1, 2));
    DeleteGrouping(working, first);
    EXPECT_EQ(rows(working, QStringLiteral("CT_Group")).size(), 1);
    EXPECT_EQ(working.scalar(QStringLiteral("SELECT group_concat(Title) FROM DT_GroupItem")).toString(), QStringLiteral("乙"));

    // A failure half way deletes nothing: the items stay with their grouping.
    working.executeScript(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON CT_Group BEGIN SELECT RAISE(ABORT, '不能删除'); END"));
    EXPECT_THROW(DeleteGrouping(working, second), db::Error);
    EXPECT_EQ(working.scalar(QStringLiteral("SELECT count(*) FROM DT_GroupItem WHERE GroupID=?"), {second}).toInt(), 1);
    EXPECT_FALSE(working.inTransaction());
}

TEST_F(GroupingsTest, AnItemIsStoredOnlyWithATitleAndAnUpperBoundAboveTheLowerOne) {
    const qint64 group = AddGrouping(working, QStringLiteral("按地区"));
    EXPECT_EQ(AddGroupItem(working, group, item(QString(), 1, 2)), 0);
    EXPECT_EQ(AddGroupItem(working, group, item(QStringLiteral("甲"), 5, 5)), 0);
    EXPECT_EQ(AddGroupItem(working, group, item(QStringLiteral("甲"), 6, 5)), 0);
    EXPECT_EQ(test::prompts().messages, (QStringList{QStringLiteral("必须输入本组数据的名称！"), QStringLiteral("上限必须大于下限！"),
                                                     QStringLiteral("上限必须大于下限！")}));
    EXPECT_TRUE(rows(working, QStringLiteral("DT_GroupItem")).isEmpty());
    EXPECT_FALSE(GroupItemIsComplete(item(QStringLiteral("甲"), 5, 5)));
    EXPECT_FALSE(GroupItemIsComplete(item(QString(), 1, 5)));
    EXPECT_TRUE(GroupItemIsComplete(item(QStringLiteral("甲"), 4, 5)));

    const qint64 id = AddGroupItem(working, group, item(kTrickyText, 110000000000, 120000000000));
    EXPECT_EQ(id, working.scalar(QStringLiteral("SELECT max(id) FROM DT_GroupItem")).toLongLong());
    db::Statement view(working, QStringLiteral("SELECT Title, GroupID, LowValue, HighValue FROM view_group_item WHERE id=?"));
    view.bind(1, id);
    ASSERT_TRUE(view.next());
    EXPECT_EQ(view.text(0), kTrickyText);
    EXPECT_EQ(view.integer(1), group);
    EXPECT_EQ(view.text(2), QStringLiteral(">=110000000000"));
    EXPECT_EQ(view.text(3), QStringLiteral("<120000000000"));

    test::prompts().clear();
    EXPECT_FALSE(ModifyGroupItem(working, id, group, item(QStringLiteral("乙"), 7, 7)));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("上限必须大于下限！")});
    EXPECT_TRUE(ModifyGroupItem(working, id, group, {QStringLiteral("乙"), 7, QStringLiteral(">"), 9, QStringLiteral("<=")}));
    EXPECT_EQ(rows(working, QStringLiteral("view_group_item")),
              QStringList{QStringLiteral("%1|%2|乙|7|9|>|<=|>7|<=9").arg(id).arg(group)});
    DeleteGroupItem(working, id);
    EXPECT_TRUE(rows(working, QStringLiteral("DT_GroupItem")).isEmpty());
}

TEST_F(GroupingsTest, ExportMakesAFileWithExactlyTheGroupingTables) {
    addGroupings(working);
    const QString path = folder.path(QStringLiteral("分组 𠮷's.mdb"));
    ASSERT_TRUE(ExportGroupings(working, path, progress));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("数据已经被正确导出到：'") + path + QStringLiteral("'！")});
    EXPECT_EQ(progress.calls, (QStringList{QStringLiteral("start 2 0"), QStringLiteral("step"), QStringLiteral("step"),
                                           QStringLiteral("step"), QStringLiteral("hide")}));

    db::Connection file;
    file.open(path, db::Access::ReadOnly);
    EXPECT_EQ(file.tableNames(), (QStringList{QStringLiteral("CT_Group"), QStringLiteral("DT_GroupItem")}));
    for (const QString& table : groupingTables()) {
        EXPECT_EQ(columns(file, table), columns(working, table)) << table.toStdString();
        EXPECT_EQ(rows(file, table), rows(working, table)) << table.toStdString();
    }
}

TEST_F(GroupingsTest, ExportingAgainReplacesBothTablesAndKeepsTheFilesOtherTables) {
    addGroupings(working);
    const QString path = folder.path(QStringLiteral("groups.mdb"));
    ASSERT_TRUE(ExportGroupings(working, path, progress));
    {
            db::Connection file;
            file.open(path);
            file.executeScript(QStringLiteral("CREATE TABLE Notes(text TEXT); INSERT INTO Notes VALUES('留着');"
                                              "INSERT INTO CT_Group(name) VALUES('文件里多出的');"));
    }
    DeleteGrouping(working, 1);
    AddGrouping(working, QStringLiteral("新的"));
    ASSERT_TRUE(ExportGroupings(working, path, progress));

    db::Connection file;
    file.open(path, db::Access::ReadOnly);
    for (const QString& table : groupingTables()) EXPECT_EQ(rows(file, table), rows(working, table)) << table.toStdString();
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT text FROM Notes")).toString(), QStringLiteral("留着"));
}

TEST_F(GroupingsTest, ExportRefusesTheDatabaseFilesInUseAndFilesItCannotWrite) {
    addGroupings(working);
    const QByteArray before = test::readAll(systemFile);
    working.close();

    // The working database, opened elsewhere, and the program folder's system data file.
    const QString other = folder.copyOfSystemDataFile(QStringLiteral("work.mdb"));
    working.open(other);
    const QByteArray otherBefore = test::readAll(other);
    EXPECT_FALSE(ExportGroupings(working, other, progress));
    EXPECT_FALSE(ExportGroupings(working, systemFile, progress));
    EXPECT_EQ(test::prompts().messages, QStringList(2, QStringLiteral("不能导出到正在使用的数据库文件，请选择其它文件。")));
    EXPECT_EQ(test::readAll(other), otherBefore);
    EXPECT_EQ(test::readAll(systemFile), before);

    // A file that is no database, and one whose CT_Group is a view: the message, the file unchanged.
    test::prompts().clear();
    const QString text = folder.path(QStringLiteral("text.mdb"));
    test::writeAll(text, QByteArray("这不是数据库文件").repeated(200));
    const QString withView = handMadeFile(QStringLiteral("view.mdb"),
                                          QStringLiteral("CREATE TABLE Notes(x); CREATE VIEW CT_Group AS SELECT 1 AS id;"));
    const QByteArray viewBefore = test::readAll(withView);
    EXPECT_FALSE(ExportGroupings(working, text, progress));
    EXPECT_FALSE(ExportGroupings(working, withView, progress));
    ASSERT_EQ(test::prompts().messages.size(), 2);
    for (const QString& message : test::prompts().messages) {
        EXPECT_TRUE(message.startsWith(QStringLiteral("运行中发生错误："))) << message.toStdString();
        EXPECT_TRUE(message.endsWith(QStringLiteral(",请与软件发行者联系。"))) << message.toStdString();
    }
    EXPECT_EQ(test::readAll(text), QByteArray("这不是数据库文件").repeated(200));
    EXPECT_EQ(test::readAll(withView), viewBefore);
    EXPECT_EQ(progress.calls.last(), QStringLiteral("hide"));

    // A new file that cannot be made is not left behind half made.
    EXPECT_FALSE(ExportGroupings(working, folder.path(QStringLiteral("无此目录/groups.mdb")), progress));
    EXPECT_FALSE(QFileInfo::exists(folder.path(QStringLiteral("无此目录/groups.mdb"))));
}

TEST_F(GroupingsTest, ImportReplacesBothWorkingTablesWithTheFilesRows) {
    addGroupings(working);
    const QString path = folder.path(QStringLiteral("groups.mdb"));
    ASSERT_TRUE(ExportGroupings(working, path, progress));
    const QStringList exportedGroups = rows(working, QStringLiteral("CT_Group"));
    const QStringList exportedItems = rows(working, QStringLiteral("DT_GroupItem"));
    working.close();

    db::Connection other;
    other.open(folder.copyOfSystemDataFile(QStringLiteral("other.mdb")));
    const qint64 own = AddGrouping(other, QStringLiteral("本地的"));
    for (int i = 0; i < 5; ++i) AddGroupItem(other, own, item(QStringLiteral("本地"), i, i + 1));
    test::prompts().clear();
    progress.calls.clear();
    ASSERT_TRUE(ImportGroupings(other, path, progress));
    EXPECT_EQ(test::prompts().messages, QStringList{kImported});
    EXPECT_EQ(progress.calls, (QStringList{QStringLiteral("start 2 0"), QStringLiteral("step"), QStringLiteral("step"),
                                           QStringLiteral("step"), QStringLiteral("hide")}));
    EXPECT_EQ(rows(other, QStringLiteral("CT_Group")), exportedGroups);
    EXPECT_EQ(rows(other, QStringLiteral("DT_GroupItem")), exportedItems);

    // The title with its quotes comes back unchanged and still selects its units in a summary-shaped query.
    const QVariant title = other.scalar(QStringLiteral("SELECT Title FROM view_group_item WHERE Title LIKE 'O''Neil%'"));
    EXPECT_EQ(title.toString(), kTrickyText);
    for (qint64 code : {110101000001LL, 120101000001LL, 120101000002LL, 130101000001LL})
        other.execute(QStringLiteral("INSERT INTO dt_data(c901, c902, c907) VALUES(?, '单位', 1)"), {code});
    {
        db::Statement items(other, QStringLiteral("SELECT Title, LowValue, HighValue FROM view_group_item WHERE Title=?"));
        items.bind(1, kTrickyText);
        ASSERT_TRUE(items.next());
        db::Statement summary(other, QStringLiteral("select ? as ItemName, 2 as sid, count(*) as cnt from dt_data where c901>0")
                                         + QStringLiteral(" and dt_data.c901") + items.text(1)
                                         + QStringLiteral(" and dt_data.c901") + items.text(2));
        summary.bind(1, items.text(0));
        ASSERT_TRUE(summary.next());
        EXPECT_EQ(summary.text(0), kTrickyText);
        EXPECT_EQ(summary.integer(2), 2);
    }

    // The file is let go: the next import can attach it again.
    EXPECT_TRUE(ImportGroupings(other, path, progress));
}

TEST_F(GroupingsTest, ImportOfAFileWithOnlyTheGroupingsKeepsTheWorkingItems) {
    addGroupings(working);
    const QStringList items = rows(working, QStringLiteral("DT_GroupItem"));
    const QString path = handMadeFile(QStringLiteral("only-groups.mdb"),
                                      groupTableDefinition(QStringLiteral("CT_Group"))
                                          + QStringLiteral(";INSERT INTO CT_Group(ID, Name, orderstr) VALUES(7, '文件的', 'title DESC');"));
    ASSERT_TRUE(ImportGroupings(working, path, progress));
    EXPECT_EQ(test::prompts().messages, (QStringList{kMissingItems, kImported}));
    EXPECT_EQ(rows(working, QStringLiteral("CT_Group")), QStringList{QStringLiteral("7|文件的|title DESC|0|0|0")});
    EXPECT_EQ(rows(working, QStringLiteral("DT_GroupItem")), items);
}

TEST_F(GroupingsTest, AnImportThatFailsChangesNothing) {
    addGroupings(working);
    const QStringList groups = rows(working, QStringLiteral("CT_Group"));
    const QStringList items = rows(working, QStringLiteral("DT_GroupItem"));
    const QString goodGroups = groupTableDefinition(QStringLiteral("CT_Group"))
                               + QStringLiteral(";INSERT INTO CT_Group(ID, Name, orderstr) VALUES(7, '文件的', 'id ASC');");
    const QString itemTable = QStringLiteral(
        "CREATE TABLE DT_GroupItem(id INTEGER, GroupID INTEGER, Title TEXT, LowBoundary NUMERIC, HighBoundary NUMERIC, "
        "LowSymbol TEXT, HighSymbol TEXT);");
    struct Case {
        const char* name;
        QString script;  // empty: the file is no database at all
        QString expected;
    };
    const std::vector<Case> cases{
        // The second table fails while its rows are copied: the first is rolled back.
        {"item without grouping", goodGroups + itemTable + "INSERT INTO DT_GroupItem VALUES(1, NULL, '甲', 1, 2, '>=', '<');",
         QStringLiteral("NOT NULL")},
        {"other columns", goodGroups + "CREATE TABLE DT_GroupItem(id INTEGER, Title TEXT);",
         QStringLiteral("分组文件中数据表DT_GroupItem的字段与本系统的不一致")},
        {"a view instead of a table", goodGroups + "CREATE VIEW DT_GroupItem AS SELECT * FROM CT_Group;",
         QStringLiteral("分组文件中的“DT_GroupItem”不是数据表")},
        {"a symbol that is no comparison",
         goodGroups + itemTable + "INSERT INTO DT_GroupItem VALUES(1, 7, '甲', 1, 2, '>=0 or 1=1 or 0', '<');",
         QStringLiteral("分组文件中的数据表DT_GroupItem含有不正确的数据")},
        {"a bound that is no number",
         goodGroups + itemTable + "INSERT INTO DT_GroupItem VALUES(1, 7, '甲', '1 or 1=1', 2, '>=', '<');",
         QStringLiteral("分组文件中的数据表DT_GroupItem含有不正确的数据")},
        {"an order that is no column",
         groupTableDefinition(QStringLiteral("CT_Group")) + ";INSERT INTO CT_Group(Name, orderstr) VALUES('甲', 'id; drop table dt_data');",
         QStringLiteral("分组文件中的数据表CT_Group含有不正确的数据")},
        {"no database", QString(), QStringLiteral("不是有效的数据库文件")},
        {"zero bytes", QString(), QStringLiteral("不是有效的数据库文件")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString fileName = QStringLiteral("bad%1.mdb").arg(++n);
        QString path;
        if (c.script.isEmpty()) {
            path = folder.path(fileName);
            test::writeAll(path, QByteArray(std::strcmp(c.name, "zero bytes") ? 4096 : 0, 'x'));
        } else {
            path = handMadeFile(fileName, c.script);
        }
        test::prompts().clear();
        progress.calls.clear();
        EXPECT_FALSE(ImportGroupings(working, path, progress));
        ASSERT_EQ(test::prompts().messages.size(), 1);
        const QString message = test::prompts().messages.first();
        EXPECT_TRUE(message.startsWith(QStringLiteral("运行中发生错误："))) << message.toStdString();
        EXPECT_TRUE(message.contains(c.expected)) << message.toStdString();
        EXPECT_TRUE(message.endsWith(QStringLiteral(",请与软件发行者联系。"))) << message.toStdString();
        EXPECT_EQ(rows(working, QStringLiteral("CT_Group")), groups);
        EXPECT_EQ(rows(working, QStringLiteral("DT_GroupItem")), items);
        EXPECT_FALSE(working.inTransaction());
        EXPECT_EQ(working.scalar(QStringLiteral("SELECT count(*) FROM pragma_database_list WHERE name='grp'")).toInt(), 0);
        if (!progress.calls.isEmpty()) {
            EXPECT_EQ(progress.calls.last(), QStringLiteral("hide"));
        }
    }

    // A grouping file damaged in the middle of its pages.
    const QString damaged = folder.path(QStringLiteral("damaged.mdb"));
    ASSERT_TRUE(ExportGroupings(working, damaged, progress));
    QByteArray bytes = test::readAll(damaged);
    ASSERT_GT(bytes.size(), 3 * 4096);
    bytes.replace(4096 + 8, 4096 - 16, QByteArray(4096 - 16, '\xff'));
    test::writeAll(damaged, bytes);
    test::prompts().clear();
    EXPECT_FALSE(ImportGroupings(working, damaged, progress));
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages.first().startsWith(QStringLiteral("运行中发生错误："))) << test::prompts().messages.first().toStdString();
    EXPECT_EQ(rows(working, QStringLiteral("CT_Group")), groups);
    EXPECT_EQ(rows(working, QStringLiteral("DT_GroupItem")), items);

    test::prompts().clear();
    EXPECT_FALSE(ImportGroupings(working, folder.path(QStringLiteral("没有的.mdb")), progress));
    EXPECT_EQ(test::prompts().messages, QStringList{QStringLiteral("您选择的文件并不存在，请选择其它文件。")});
}

TEST_F(GroupingsTest, TheFileDialogsStartInTheOrvantaFolder) {
    test::prompts().fileAnswers = {QStringLiteral("/tmp/a/groups"), QStringLiteral("  "), QStringLiteral("/tmp/b.mdb")};
    EXPECT_EQ(ChooseGroupingExportFile(), QStringLiteral("/tmp/a/groups.mdb"));
    EXPECT_EQ(ChooseGroupingImportFile(), QString());
    const QString documents = documentsFolder();
    EXPECT_EQ(test::prompts().fileRequests[0].folder, documents);
    EXPECT_EQ(test::prompts().fileRequests[0].title, QStringLiteral("导出文件存放为"));
    EXPECT_EQ(test::prompts().fileRequests[1].title, QStringLiteral("选择导入文件"));
    EXPECT_EQ(test::prompts().fileRequests[0].filters, QStringList{QStringLiteral("Access文件(*.mdb)")});

    // A stored folder is used; the export makes it when missing.
    const QString shared = folder.path(QStringLiteral("共享/分组"));
    const QString key = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
    WriteSettingText(QStringLiteral("Orvanta"), shared, SettingsRoot::CurrentUser, key);
    EXPECT_EQ(ChooseGroupingImportFile(), QStringLiteral("/tmp/b.mdb"));
    EXPECT_FALSE(QFileInfo::exists(shared));
    ChooseGroupingExportFile();
    EXPECT_TRUE(QFileInfo(shared).isDir());
    EXPECT_EQ(test::prompts().fileRequests[2].folder, shared);
    EXPECT_EQ(test::prompts().fileRequests[3].folder, shared);
    WriteSettingText(QStringLiteral("Orvanta"), QString(), SettingsRoot::CurrentUser, key);
}
