#include "db/Connection.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "core/ExchangePassword.h"
#include "support/TestSupport.h"

#include <QRegularExpression>
#include <set>

using namespace db;

namespace {

class SystemDataFileTest : public ::testing::Test {
protected:
    void SetUp() override { connection.open(folder.copyOfSystemDataFile()); }
    QStringList column(const QString& sql) {
        Statement s(connection, sql);
        QStringList out;
        while (s.next()) out << s.text(0);
        return out;
    }
    int count(const QString& sql) { return connection.scalar(sql).toInt(); }
    test::TempFolder folder;
    Connection connection;
};

QStringList indicatorNames() {
    const std::pair<char, int> tables[] = {{'z', 11}, {'x', 18}, {'b', 42}, {'f', 18}, {'l', 7}, {'j', 20},
                                           {'s', 21}, {'w', 6},  {'n', 3},  {'g', 4},  {'d', 43}, {'y', 12}};
    QStringList names;
    for (const auto& [prefix, n] : tables)
        for (int i = 1; i <= n; ++i) names << QString::asprintf("%c%03d", prefix, i);
    return names;
}

} // namespace

TEST_F(SystemDataFileTest, DescribesEveryFieldInTheRecordLayout) {
    const QStringList indicators = indicatorNames();
    ASSERT_EQ(indicators.size(), 205);
    QStringList expected = {QStringLiteral("c901"), QStringLiteral("c902"), QStringLiteral("c903"), QStringLiteral("c904"),
                            QStringLiteral("c905"), QStringLiteral("c906"), QStringLiteral("c907"), QStringLiteral("RecordState")};
    expected += indicators;
    EXPECT_EQ(column(QStringLiteral("SELECT FieldName FROM DT_FieldList ORDER BY ID")), expected);
    EXPECT_EQ(column(QStringLiteral("SELECT name FROM pragma_table_info('dt_data')")), expected);
    EXPECT_EQ(column(QStringLiteral("SELECT name FROM pragma_table_info('dt_data_dt_data')")), expected);
    EXPECT_EQ(column(QStringLiteral("SELECT name FROM pragma_table_info('view_data')")), expected);
    EXPECT_EQ(column(QStringLiteral("SELECT name FROM pragma_table_info('view_data_all')")),
              column(QStringLiteral("SELECT ShowName FROM DT_FieldList ORDER BY ID")));

    // Captions: every one present, distinct, ending with a unit or the yes/no codes.
    EXPECT_EQ(count(QStringLiteral("SELECT count(DISTINCT Hint) FROM DT_FieldList WHERE ID > 8 AND length(Hint) > 3")), 205);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM DT_FieldList WHERE QueryType=3 AND Hint NOT LIKE '%(1=是；2=否)'")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM DT_FieldList WHERE ID > 8 AND Hint NOT LIKE '%)'")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM DT_FieldList WHERE ID > 8 AND QueryType NOT IN (0,2,3)")), 0);
    EXPECT_EQ(column(QStringLiteral("SELECT FieldName FROM DT_FieldList WHERE QueryType=1 ORDER BY ID")),
              (QStringList{QStringLiteral("c902"), QStringLiteral("c905"), QStringLiteral("c906")}));

    // Positions: the cover takes 1–7, indicators lie between, the continuation sheet above 300.
    EXPECT_EQ(column(QStringLiteral("SELECT sequence FROM DT_FieldList WHERE ID <= 7 ORDER BY ID")),
              (QStringList{"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM DT_FieldList WHERE ID > 8 AND (sequence <= 7 OR sequence >= 1000)")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM DT_FieldList WHERE PageID = 12 AND sequence <= 300")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM DT_FieldList WHERE PageID = 11 AND sequence > 300")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(DISTINCT sequence) FROM DT_FieldList")), 213);
    EXPECT_EQ(count(QStringLiteral("SELECT count(DISTINCT PageID) FROM DT_FieldList WHERE PageID >= 0")), 14);
}

TEST_F(SystemDataFileTest, LevelRulesUseBothNotationsAndKnownLevels) {
    const QRegularExpression set(QStringLiteral("^in \\[\\d+(,\\s*\\d+)*\\]$"));
    const QRegularExpression comparison(QStringLiteral("^(<=|>=|<>|<|>|=)\\d+$"));
    std::set<int> levels;
    for (const QString& id : column(QStringLiteral("SELECT ID FROM CT_LevelCode"))) levels.insert(id.toInt());
    int sets = 0, comparisons = 0;
    for (const QString& rule : column(QStringLiteral("SELECT Rule FROM DT_FieldList WHERE Rule IS NOT NULL"))) {
        if (set.match(rule).hasMatch()) {
            ++sets;
            const QString list = rule.section(QLatin1Char('['), 1).section(QLatin1Char(']'), 0, 0);
            for (const QString& item : list.split(QLatin1Char(',')))
                EXPECT_TRUE(levels.count(item.trimmed().toInt())) << rule.toStdString();
        } else {
            EXPECT_TRUE(comparison.match(rule).hasMatch()) << rule.toStdString();
            ++comparisons;
        }
    }
    EXPECT_GT(sets, 0);
    EXPECT_GT(comparisons, 0);
}

TEST_F(SystemDataFileTest, CodeTablesHoldWhatTheFormOffers) {
    EXPECT_EQ(column(QStringLiteral("select db_name from ct_label")), QStringList{QStringLiteral("默认数据库")});
    for (int level : {0, 1, 2, 3, 10})
        EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM CT_LevelCode WHERE ID=%1").arg(level)), 1) << level;
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM CT_state WHERE ID IN (0, 1, 2)")), 3);
    EXPECT_GE(count(QStringLiteral("SELECT count(*) FROM CT_state WHERE ID >= 3")), 1);
    EXPECT_EQ(column(QStringLiteral("SELECT CodeID FROM ct_sheetName ORDER BY CodeID")).size(), 14);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM view_datasearch")), 205);
}

TEST_F(SystemDataFileTest, DivisionTableCoversTheWholeCountry) {
    EXPECT_GT(count(QStringLiteral("SELECT count(*) FROM CT_CityName")), 3000);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM CT_CityName WHERE Code2=0 AND Code3=0")), 34);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM CT_CityName WHERE ID <> Code1*10000 + Code2*100 + Code3")), 0);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT CombName FROM CT_CityName WHERE ID=130102")).toString(),
              QStringLiteral("河北省石家庄市长安区"));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT Name FROM CT_CityName WHERE ID=110000")).toString(),
              QStringLiteral("北京市"));
}

TEST_F(SystemDataFileTest, RulesAreThe98OfTheSurveyAndEvaluateOnTheSchema) {
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM dt_logic")), 98);
    EXPECT_EQ(count(QStringLiteral("SELECT min(page_id) FROM dt_logic")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT max(page_id) FROM dt_logic")), 13);
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT expression FROM dt_logic WHERE ID=67")).toString(),
              QStringLiteral("s009 > z008"));
    EXPECT_EQ(connection.scalar(QStringLiteral("SELECT rule FROM dt_logic WHERE ID=67")).toString(),
              QStringLiteral("s009<=s008"));
    // Every focus is a field of the form.
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM dt_logic WHERE focus NOT IN (SELECT FieldName FROM DT_FieldList)")), 0);

    // An all-zero record breaks rule 1 alone at level 4 and above, and rules
    // 1, 7, 84, 86 and 89 at the levels of local unions.
    connection.execute(QStringLiteral("INSERT INTO dt_data(c901, c904) VALUES (1, 10), (2, 3)"));
    connection.execute(QStringLiteral("UPDATE dt_data SET ") + indicatorNames().join(QStringLiteral("=0,")) + QStringLiteral("=0"));
    for (const auto& [code, broken] : {std::pair{1, QStringList{"1"}}, std::pair{2, QStringList{"1", "7", "84", "86", "89"}}}) {
        QStringList failing;
        Statement rules(connection, QStringLiteral("SELECT ID, expression FROM dt_logic ORDER BY ID"));
        while (rules.next()) {
            const QVariant rt = connection.scalar(QStringLiteral("SELECT (") + rules.text(1)
                                                  + QStringLiteral(") AS rt FROM dt_data WHERE c901=?"),
                                                  {code});
            ASSERT_TRUE(rt.isValid()) << rules.text(1).toStdString();
            if (rt.toInt() == 1) failing << rules.text(0);
        }
        EXPECT_EQ(failing, broken) << "record " << code;
    }
}

TEST(ExchangeTemplate, HasTheWorkingRecordLayout) {
    test::TempFolder folder;
    Connection working;
    working.open(folder.copyOfSystemDataFile());
    working.attach(test::builtProgramFolder() + QStringLiteral("view.dll"), QStringLiteral("ex"), DeriveExchangePassword(), true);
    Statement a(working, QStringLiteral("SELECT group_concat(name || type) FROM pragma_table_info('dt_data')"));
    Statement b(working, QStringLiteral("SELECT group_concat(name || type) FROM ex.pragma_table_info('dt_data')"));
    ASSERT_TRUE(a.next() && b.next());
    EXPECT_EQ(a.text(0), b.text(0));
}
