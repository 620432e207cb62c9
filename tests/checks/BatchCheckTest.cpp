#include "checks/BatchCheck.h"
#include "checks/BuiltinRules.h"
#include "checks/CheckFindings.h"
#include "core/Progress.h"

#include "CheckTestSupport.h"
#include "db/Statement.h"
#include "support/DamagedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <functional>
#include <sys/mount.h>

namespace {

const QString kCongratulation = QStringLiteral("恭喜你，所检查的数据没有逻辑错误");

const QStringList kStartLines = {QStringLiteral("#2019基层以上调查表逻辑检查结果"), QStringLiteral("#检查时间："), QString(),
                                 QString()};

// The start lines with the check time cut off, so that they compare.
QStringList startOf(QStringList lines) {
    static const QRegularExpression time(QStringLiteral("^#检查时间：\\d{4}年\\d{2}月\\d{2}日 \\d{2}:\\d{2}$"));
    EXPECT_GE(lines.size(), 4);
    if (lines.size() < 4) return lines;
    EXPECT_TRUE(time.match(lines[1]).hasMatch()) << lines[1].toStdString();
    lines[1] = QStringLiteral("#检查时间：");
    return lines.mid(0, 4);
}

// Follows a run like the check dialog; stops or pauses it after a number of records.
class Monitor final : public ui::ProgressSink {
public:
    void start(int total, int done) override { started = {total, done}; }
    void hide() override {}
    void step() override {
        ++steps;
        if (steps == stopAfter) stop = true;
        if (steps == pauseAfter) {
            pause = true;
            QTimer::singleShot(10, [this] {
                whilePaused();
                pause = false;
            });
        }
    }
    bool paused() const override { return pause; }
    bool stopRequested() const override { return stop; }

    QList<int> started;
    int steps = 0;
    int stopAfter = -1;
    int pauseAfter = -1;
    std::function<void()> whilePaused;

private:
    bool pause = false;
    bool stop = false;
};

// Records that break every rule an empty record above level 3 breaks: No. 1 only.
void addFailingRecords(int count) {
    db::Transaction transaction(workingDatabase().connection);
    for (int i = 1; i <= count; ++i) test::addRecord(110101000000 + i, {{"c904", 10}});
    transaction.commit();
}

// The states as another connection sees them: only what was committed.
QList<int> committedStates(const QString& path) {
    db::Connection other;
    other.open(path, db::Access::ReadOnly);
    db::Statement rows(other, QStringLiteral("SELECT RecordState FROM dt_data ORDER BY c901"));
    QList<int> states;
    while (rows.next()) states << int(rows.integer(0));
    return states;
}

// Every one of the `records` added by addFailingRecords that the file holds as
// failed (state 2) has its findings in the results file. Records on a damaged
// page cannot be read and do not count.
void expectFailedStatesBackedByFindings(const QString& path, int records, int expectedFailed) {
    const QByteArray results = test::readAll(resultsFilePath(workingDatabase().label));
    db::Connection file;
    file.open(path, db::Access::ReadOnly);
    db::Statement state(file, QStringLiteral("SELECT RecordState FROM dt_data WHERE c901=?"));
    int failed = 0;
    for (int i = 1; i <= records; ++i) {
        state.bind(1, qint64(110101000000) + i);
        try {
            if (state.next() && state.integer(0) == 2) {
                ++failed;
                const QString line = QStringLiteral("%1  单位%2的数据有错误\r\n").arg(qint64(110101000000) + i).arg(i % 1000);
                EXPECT_TRUE(results.contains(encodeGb18030(line))) << "no findings for record " << i;
            }
        } catch (const db::Error&) {
        }
        state.reset();
    }
    EXPECT_EQ(failed, expectedFailed);
}

// The records with findings in the results file, which a full disk may have cut off in mid-line.
int unitsInResults() {
    return int(decodeGb18030(test::readAll(resultsFilePath(workingDatabase().label))).count(QStringLiteral("的数据有错误")));
}

using BatchCheckTest = test::CheckDatabase;

} // namespace

TEST_F(BatchCheckTest, FailingRecordsGetTheirFindingsAndTheFooterCountsThem) {
    test::addRecord(110101000001, {{"c904", 10}, {"z001", 1}, {"x002", 1}});  // Nos. 9 and 10
    test::addRecord(110101000002, {{"c904", 10}, {"z001", 5}});               // passes
    test::addRecord(110101000003, {{"c904", 10}, {"x002", 1}});               // Nos. 1, 9 and 10
    RunBatchCheck(workingDatabase(), allRecordsSql());

    const QStringList lines = test::resultsLines();
    EXPECT_EQ(startOf(lines), kStartLines);
    const QString x002 = QStringLiteral("[其中：女性成员(人)]");
    EXPECT_EQ(lines.mid(4, 8),
              (QStringList{QStringLiteral("110101000001  单位1的数据有错误"), QString(80, u'-'),
                           QStringLiteral("  判断规则：x002 <= z002+z004"),
                           QStringLiteral("  规则说明：") + x002 + QStringLiteral(" 不能大于 [其中：女性在职会员(人)]+[其中：女性离退休会员(人)]"),
                           QString(), QStringLiteral("  判断规则：x002<=x001"),
                           QStringLiteral("  规则说明：") + x002 + QStringLiteral("不能大于[本级工会领导班子成员(人)]"), QString()}));
    EXPECT_EQ(lines.mid(12, 2), (QStringList{QStringLiteral("110101000003  单位3的数据有错误"), QString(80, u'-')}));
    EXPECT_EQ(lines.filter(QStringLiteral("判断规则")).size(), 5);
    EXPECT_EQ(lines.mid(lines.size() - 3),
              (QStringList{QString(49, u'='), QStringLiteral("共有2个单位的数据存在逻辑错误！"), QStringLiteral("共有5个逻辑错误项！")}));
    EXPECT_EQ(lines.size(), 4 + 2 + 2 * 3 + 2 + 3 * 3 + 3);
    EXPECT_TRUE(test::readAll(resultsFilePath(workingDatabase().label)).contains(encodeGb18030(QStringLiteral("单位的数据存在逻辑错误"))));

    EXPECT_EQ(test::recordState(110101000001), 2);
    EXPECT_EQ(test::recordState(110101000002), 1);
    EXPECT_EQ(test::recordState(110101000003), 2);
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_EQ(opened, QStringList{resultsFilePath(workingDatabase().label)});
}

TEST_F(BatchCheckTest, TheFindingsAreKeptForTheWindowAndFollowTheRecordsAfterwards) {
    test::addRecord(110101000001, {{"c904", 10}, {"z001", 1}, {"x002", 1}});  // Nos. 9 and 10
    test::addRecord(110101000002, {{"c904", 10}, {"z001", 5}});               // passes
    test::addRecord(110101000003, {{"c904", 10}, {"x002", 1}});               // Nos. 1, 9 and 10
    test::addRecord(110101000004, {{"c904", 10}});                            // No. 1
    CheckFindings findings;
    const Outcome outcome = RunBatchCheck(workingDatabase(), allRecordsSql(), nullptr, &findings);
    EXPECT_EQ(outcome.status, Outcome::Status::Refused);
    EXPECT_EQ(outcome.file, resultsFilePath(workingDatabase().label));
    // The window shows the findings; the file opens from there.
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(test::resultsLines().filter(QStringLiteral("判断规则")).size(), 6);

    auto rulesOf = [&](int unit) {
        std::vector<int> numbers;
        for (std::uint8_t r : findings.units()[size_t(unit)].rules) numbers.push_back(findingRule(r).number);
        return numbers;
    };
    ASSERT_EQ(findings.units().size(), 3u);
    EXPECT_EQ(findings.units()[0].code, 110101000001);
    EXPECT_EQ(findings.units()[0].name, QStringLiteral("单位1"));
    EXPECT_EQ(rulesOf(0), (std::vector<int>{9, 10}));
    EXPECT_EQ(rulesOf(1), (std::vector<int>{1, 9, 10}));
    EXPECT_EQ(rulesOf(2), (std::vector<int>{1}));
    EXPECT_EQ(findings.findingCount(), 6);
    std::vector<std::pair<int, qint64>> frequencies;
    for (const RuleFrequency& f : findings.ruleFrequencies()) frequencies.emplace_back(findingRule(std::uint8_t(f.rule)).number, f.findings);
    EXPECT_EQ(frequencies, (std::vector<std::pair<int, qint64>>{{1, 2}, {9, 2}, {10, 2}}));

    // Checked again: a mended record breaks nothing, one changed breaks its new rules,
    // one no longer reporting (c907 3) is not checked.
    db().execute(QStringLiteral("UPDATE dt_data SET x002=0 WHERE c901 IN (110101000001, 110101000003)"));
    db().execute(QStringLiteral("UPDATE dt_data SET c907=3 WHERE c901=110101000004"));
    EXPECT_TRUE(RecheckRecord(db(), 110101000001).rules.empty());
    EXPECT_EQ(RecheckRecord(db(), 110101000003).rules, (std::vector<std::uint8_t>{0}));
    EXPECT_TRUE(RecheckRecord(db(), 110101000004).rules.empty());
    findings.remove(findings.indexOf(110101000003));
    findings.insert(RecheckRecord(db(), 110101000003));
    EXPECT_EQ(rulesOf(1), (std::vector<int>{1}));
    EXPECT_EQ(findings.findingCount(), 4);

    // Deleted records leave the list.
    db().execute(QStringLiteral("DELETE FROM dt_data WHERE c901=110101000001"));
    EXPECT_TRUE(findings.dropMissing(db()));
    EXPECT_EQ(findings.indexOf(110101000001), -1);
    EXPECT_EQ(findings.units().size(), 2u);
    EXPECT_EQ(findings.findingCount(), 2);
    EXPECT_FALSE(findings.dropMissing(db()));
}

TEST_F(BatchCheckTest, APassingRunCongratulatesAndLeavesOnlyTheStartLines) {
    test::addRecord(110101000001, {{"c904", 10}, {"z001", 1}});
    test::addRecord(110101000002, {{"c904", 4}, {"z003", 2}});
    // Not reporting this year: never checked, although its empty indicators break rules.
    test::addRecord(110101000003, {{"c904", 3}, {"c907", 3}});
    RunBatchCheck(workingDatabase(), allRecordsSql());

    const QStringList lines = test::resultsLines();
    EXPECT_EQ(lines.size(), 4);
    EXPECT_EQ(startOf(lines), kStartLines);
    EXPECT_EQ(test::prompts().messages, QStringList{kCongratulation});
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(committedStates(workingDatabase().path), (QList<int>{1, 1, 0}));
}

TEST_F(BatchCheckTest, TheSelectionsPickOnlyTheirCheckableRecords) {
    addFailingRecords(4);
    test::addRecord(110101000005, {{"c904", 10}, {"c907", 4}});
    workingDatabase().connection.execute(QStringLiteral("UPDATE dt_data SET RecordState=1 WHERE c901=110101000005"));

    RunBatchCheck(workingDatabase(), selectedRecordsSql({110101000005}));
    EXPECT_EQ(startOf(test::resultsLines()), kStartLines);
    EXPECT_EQ(test::resultsLines().size(), 4);
    EXPECT_EQ(test::prompts().messages, QStringList{kCongratulation});
    EXPECT_EQ(committedStates(workingDatabase().path), (QList<int>{0, 0, 0, 0, 1}));

    RunBatchCheck(workingDatabase(), selectedRecordsSql({110101000004, 110101000001}));
    EXPECT_EQ(committedStates(workingDatabase().path), (QList<int>{2, 0, 0, 2, 1}));
    RunBatchCheck(workingDatabase(), recordRangeSql(110101000002.0, 110101000005.0));
    EXPECT_EQ(committedStates(workingDatabase().path), (QList<int>{2, 2, 2, 2, 1}));
    EXPECT_EQ(test::resultsLines().filter(QStringLiteral("的数据有错误")).size(), 3);
}

TEST_F(BatchCheckTest, AStoppedRunKeepsItsStatesAndFindingsWithoutFooter) {
    addFailingRecords(2500);
    Monitor monitor;
    monitor.stopAfter = 1200;
    RunBatchCheck(workingDatabase(), allRecordsSql(), &monitor);

    EXPECT_EQ(monitor.started, (QList<int>{2500, 0}));
    EXPECT_EQ(monitor.steps, 1200);
    const QList<int> states = committedStates(workingDatabase().path);
    EXPECT_EQ(states.count(2), 1200);
    EXPECT_EQ(states.mid(0, 1200).count(2), 1200);
    const QStringList lines = test::resultsLines();
    EXPECT_EQ(lines.size(), 4 + 1200 * 5);
    EXPECT_EQ(lines.last(), QString());
    EXPECT_TRUE(test::prompts().messages.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(BatchCheckTest, APausedRunHandlesNothingUntilResumedAndHasCommittedItsStates) {
    addFailingRecords(3);
    Monitor monitor;
    monitor.pauseAfter = 1;
    QList<int> statesWhilePaused;
    int stepsWhilePaused = -1;
    monitor.whilePaused = [&] {
        statesWhilePaused = committedStates(workingDatabase().path);
        stepsWhilePaused = monitor.steps;
    };
    RunBatchCheck(workingDatabase(), allRecordsSql(), &monitor);

    EXPECT_EQ(stepsWhilePaused, 1);
    EXPECT_EQ(statesWhilePaused, (QList<int>{2, 0, 0}));
    EXPECT_EQ(committedStates(workingDatabase().path), (QList<int>{2, 2, 2}));
    EXPECT_EQ(test::resultsLines().last(), QStringLiteral("共有3个逻辑错误项！"));
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(BatchCheckTest, AResultsFileThatCannotBeMadeEndsTheRunBeforeAnyChange) {
    addFailingRecords(2);
    const QByteArray temp = qgetenv("TEMP");
    qputenv("TEMP", folder.path(QStringLiteral("missing/folder")).toLocal8Bit());
    RunBatchCheck(workingDatabase(), allRecordsSql());
    qputenv("TEMP", temp);

    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：")));
    EXPECT_TRUE(test::prompts().messages[0].endsWith(QStringLiteral(",请与软件发行者联系。")));
    EXPECT_EQ(committedStates(workingDatabase().path), (QList<int>{0, 0}));
    EXPECT_TRUE(opened.isEmpty());
}

// Rows out of order make the engine hand out the same rows again while states
// are written; a damaged row makes it report damage. Either way the run stops
// with the damage message, and only states backed by findings stay.
TEST_F(BatchCheckTest, ADamagedFileStopsTheRunWithItsMessage) {
    const QString path = workingDatabase().path;
    const std::vector<std::pair<const char*, std::function<void(const QList<int>&)>>> damages = {
        {"rows out of order", [&](const QList<int>& leaves) { test::setFirstKeyOfLeaf(path, leaves[leaves.size() * 9 / 10], 110101000010); }},
        {"a damaged row", [&](const QList<int>& leaves) { test::damageFirstRowOfLeaf(path, leaves[leaves.size() * 9 / 10]); }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        workingDatabase().connection.close();
        QFile::remove(path);
        folder.copyOfSystemDataFile(systemDataFileName());
        reopenWorkingDatabase();
        addFailingRecords(2500);
        workingDatabase().connection.close();
        damage(test::leafPages(path, QStringLiteral("dt_data")));
        reopenWorkingDatabase();
        test::prompts().clear();
        RunBatchCheck(workingDatabase(), allRecordsSql());

        ASSERT_EQ(test::prompts().messages.size(), 1);
        EXPECT_TRUE(test::prompts().messages[0].startsWith(QStringLiteral("运行中发生错误：数据库文件已损坏（"))) << test::prompts().messages[0].toStdString();
        EXPECT_LE(unitsInResults(), 2500);
        expectFailedStatesBackedByFindings(path, 2500, 2000);
    }
}

TEST_F(BatchCheckTest, AFullDiskStopsTheRunNamingTheCauseAndKeepsOnlyStatesBackedByFindings) {
    addFailingRecords(1500);
    // A results file that cannot take a byte.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), resultsFilePath(workingDatabase().label)));
    RunBatchCheck(workingDatabase(), allRecordsSql());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].contains(QStringLiteral("：磁盘已满,请与软件发行者联系。"))) << test::prompts().messages[0].toStdString();
    EXPECT_EQ(committedStates(workingDatabase().path).count(0), 1500);
    QFile::remove(resultsFilePath(workingDatabase().label));

    // A temporary folder that fills up after about 1100 records' findings.
    const QString small = folder.path(QStringLiteral("small"));
    QDir().mkpath(small);
    if (mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no right to mount a small file system here";
    const QByteArray temp = qgetenv("TEMP");
    qputenv("TEMP", QFile::encodeName(small));
    test::prompts().clear();
    RunBatchCheck(workingDatabase(), allRecordsSql());
    ASSERT_EQ(test::prompts().messages.size(), 1);
    EXPECT_TRUE(test::prompts().messages[0].contains(QStringLiteral("：磁盘已满,请与软件发行者联系。"))) << test::prompts().messages[0].toStdString();
    EXPECT_GT(unitsInResults(), 1000);
    expectFailedStatesBackedByFindings(workingDatabase().path, 1500, 1000);
    EXPECT_TRUE(opened.isEmpty());
    qputenv("TEMP", temp);
    umount2(QFile::encodeName(small).constData(), MNT_DETACH);
}

TEST_F(BatchCheckTest, ALongLabelOrOneWithControlCharactersStillGivesAResultsFile) {
    addFailingRecords(1);
    for (const QString& label : {QString(80, u'工'), QStringLiteral("市\t县\n工会\x7f"), QString(70, u'a') + QString::fromUcs4(U"𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌𠀍𠀎𠀏𠀐𠀑𠀒𠀓𠀔𠀕𠀖𠀗𠀘𠀙𠀚𠀛𠀜𠀝𠀞𠀟𠀠𠀡𠀢𠀣𠀤𠀥𠀦𠀧𠀨𠀩𠀪𠀫𠀬𠀭𠀮𠀯")}) {
        SCOPED_TRACE(label.toStdString());
        workingDatabase().label = label;
        opened.clear();
        RunBatchCheck(workingDatabase(), allRecordsSql());
        const QString path = resultsFilePath(label);
        EXPECT_TRUE(test::prompts().messages.isEmpty()) << test::prompts().messages.join(u'\n').toStdString();
        EXPECT_EQ(opened, QStringList{path});
        const QString name = QFileInfo(path).fileName();
        EXPECT_LE(QFile::encodeName(name).size(), 255);
        EXPECT_TRUE(name.startsWith(QStringLiteral("2019基层以上-")));
        EXPECT_TRUE(name.endsWith(QStringLiteral("-逻辑检查结果.txt")));
        EXPECT_TRUE(name.isValidUtf16());
        for (const QChar c : name) EXPECT_TRUE(c.unicode() >= 0x20 && c.unicode() != 0x7f);
    }
    EXPECT_EQ(fileNameWithPart(QStringLiteral("a"), QString(300, u'工'), QStringLiteral("b")),
              QStringLiteral("a") + QString(82, u'工') + QStringLiteral("b"));
    // Room is left for an extension the name gets later.
    EXPECT_EQ(fileNameWithPart(QStringLiteral("a"), QString(300, u'工'), QStringLiteral("b"), QStringLiteral(".xlsx")),
              QStringLiteral("a") + QString(80, u'工') + QStringLiteral("b"));
}

TEST_F(BatchCheckTest, TheResultsFileIsNamedAfterTheLabelAndStaysInTheTemporaryFolder) {
    EXPECT_EQ(resultsFilePath(workingDatabase().label), tempFolder() + QStringLiteral("/2019基层以上-默认数据库-逻辑检查结果.txt"));
    workingDatabase().label = QStringLiteral("../市\\县");
    EXPECT_EQ(resultsFilePath(workingDatabase().label), tempFolder() + QStringLiteral("/2019基层以上-.._市_县-逻辑检查结果.txt"));
    workingDatabase().label = QStringLiteral("市:县*区?\"甲\"<乙>|丙");
    EXPECT_EQ(resultsFilePath(workingDatabase().label), tempFolder() + QStringLiteral("/2019基层以上-市_县_区__甲__乙__丙-逻辑检查结果.txt"));
}

TEST_F(BatchCheckTest, ARecheckWritesOnlyTheStatesThatChange) {
    addFailingRecords(3);
    test::addRecord(110101000004, {{"c904", 10}, {"z001", 1}});
    RunBatchCheck(workingDatabase(), allRecordsSql());
    db::Connection& connection = workingDatabase().connection;
    const qint64 before = connection.scalar(QStringLiteral("SELECT total_changes()")).toLongLong();
    RunBatchCheck(workingDatabase(), allRecordsSql());
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT total_changes()")).toLongLong(), before);
    connection.execute(QStringLiteral("UPDATE dt_data SET z001=1 WHERE c901=110101000002"));
    RunBatchCheck(workingDatabase(), allRecordsSql());
    EXPECT_EQ(committedStates(workingDatabase().path), (QList<int>{2, 1, 2, 1}));
    // The findings are written all the same.
    EXPECT_EQ(test::resultsLines().filter(QStringLiteral("的数据有错误")).size(), 2);
}
