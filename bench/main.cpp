// Benchmarks of the survey tool on generated data.
//
//   survey-bench [records=50000] [runs=5] [exchange|list-export|summary|update]
//   survey-bench --generate FILE [records=50000]
//
// With "exchange" only the exchange files are timed, with "summary" only the
// summary, with "update" only the automatic backup and the update import;
// with "list-export" only the record list export of every table, so that the process's peak memory is
// that export's own. The second form only writes a copy of the system data
// file holding the generated records to FILE, for trying the program out on a
// full database.
//
// Generates the records into a copy of the system data file, then times each
// operation several times and prints the medians, with the ratio against a
// baseline measured in the same run.

#include "BenchPrompter.h"
#include "RecordGenerator.h"

#include "core/AutoBackup.h"
#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Startup.h"
#include "checks/BatchCheck.h"
#include "checks/BuiltinRules.h"
#include "checks/CheckFindings.h"
#include "core/ExchangePassword.h"
#include "core/Prompt.h"
#include "db/Maintenance.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ExportForReporting.h"
#include "exchange/ImportExchangeFile.h"
#include "exchange/ReportFile.h"
#include "exchange/UpdateImport.h"
#include "lists/RecordListExport.h"
#include "lists/RecordLocation.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "summary/SummaryWorkbook.h"
#include "workbook/RecordPrint.h"
#include "workbook/Workbook.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

// Runs `work` `runs` times, each after an untimed `prepare`, and returns the median in milliseconds.
double time(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {}) {
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        samples.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return median(samples);
}

void report(const char* what, double ms, double baseline = 0) {
    if (baseline > 0) std::printf("  %-46s %9.1f ms   %5.2f x baseline\n", what, ms, ms / baseline);
    else std::printf("  %-46s %9.1f ms\n", what, ms);
}

const QString kRecordList = QStringLiteral("SELECT\t* from view_data_all order by c901 asc");

// The workbook output: one record into the print workbook, and a sheet of
// the record list's visible columns for every record (the list export).
void benchWorkbooks(db::Connection& connection, int runs, const QString& folder) {
    const qint64 code = connection.scalar(QStringLiteral("select min(c901) from dt_data")).toLongLong();
    setFileOpener([](const QString& path) { QFile::remove(path); });
    const QString printTemplate = programFolder() + printTemplateName();
    const double copyTemplate = time(runs, [&] {
        const QString copy = folder + QStringLiteral("/copy.xltx");
        QFile::remove(copy);
        QFile::copy(printTemplate, copy);
    });
    report("baseline: copy the print template", copyTemplate);
    report("print one record: fill and save the workbook", time(runs, [&] { PrintRecord(workingDatabase().connection, code); }), copyTemplate);

    QStringList columns;
    db::Statement visible(connection, QStringLiteral("select ShowName from DT_FieldList where Visible<>0 order by sequence"));
    while (visible.next()) columns << visible.text(0);
    std::vector<QVariantList> rows;
    db::Statement list(connection, QStringLiteral("select %1 from view_data_all order by c901").arg(columns.join(QLatin1Char(','))));
    while (list.next()) {
        QVariantList row;
        for (int c = 0; c < list.columnCount(); ++c) row << list.value(c);
        rows.push_back(row);
    }
    const QString csv = folder + QStringLiteral("/list.csv");
    const double writeCsv = time(runs, [&] {
        QSaveFile file(csv);
        file.open(QIODevice::WriteOnly);
        QByteArray text;
        for (const QVariantList& row : rows) {
            for (const QVariant& value : row) text += value.toString().toUtf8() + ',';
            text += "\r\n";
        }
        file.write(text);
        file.commit();
    });
    const QByteArray rowCount = QByteArray::number(qlonglong(rows.size()));
    report(("baseline: write " + rowCount + " rows as CSV text").constData(), writeCsv);
    report(("write a sheet of " + rowCount + " rows x " + QByteArray::number(columns.size()) + " columns, save it").constData(),
           time(runs, [&] {
               workbook::Workbook book = workbook::Workbook::blank();
               workbook::Sheet sheet = book.sheet(1);
               for (int c = 0; c < columns.size(); ++c) sheet.setValue({3, c + 1}, columns[c]);
               for (size_t r = 0; r < rows.size(); ++r)
                   for (int c = 0; c < rows[r].size(); ++c) sheet.setValue({int(r) + 5, c + 1}, rows[r][c]);
               for (int c = 1; c <= columns.size(); ++c) sheet.autoFitColumn(c);
               book.save(folder + QStringLiteral("/list.xlsx"));
           }),
           writeCsv);
    setFileOpener({});
}

// The summary of all 23 tables, by level and by a grouping of 100 items,
// against reading the values the statements add up.
void benchSummary(db::Connection& connection, int runs, const QString& folder) {
    QStringList fields;
    for (const summary::SummarySheet& sheet : summary::summarySheets())
        for (const summary::SummaryIndicator& indicator : sheet.indicators)
            if (!indicator.field.isEmpty()) fields << indicator.field;
    fields << QStringLiteral("d012") << QStringLiteral("c904");
    const double reading = time(runs, [&] {
        db::Statement rows(connection, QStringLiteral("select %1 from dt_data where c901>0").arg(fields.join(QLatin1Char(','))));
        double sum = 0;
        while (rows.next())
            for (int c = 0; c < rows.columnCount(); ++c) sum += rows.real(c);
        if (sum < 0) std::printf("?");
    });
    report("summary baseline: read the summed values", reading);

    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/") + summary::summaryTemplateName(),
                folder + QStringLiteral("/") + summary::summaryTemplateName());
    setFileOpener([](const QString& path) { QFile::remove(path); });
    QList<int> all;
    for (int sheet = 1; sheet <= summary::kSummarySheetCount; ++sheet) all << sheet;
    QList<int> tables = all;
    tables.removeAll(1);
    report("summary statements of 23 tables by level", time(runs, [&] {
               summary::breakdownTables(connection, tables, summary::Breakdown::Level, 0);
           }), reading);
    const double byLevel = time(runs, [&] {
        summary::RunSummary(connection, QStringLiteral("bench"), all, summary::Breakdown::Level, 0, ui::twoLineProgress());
    });
    report("summary of 23 tables by level, workbook saved", byLevel, reading);

    const qint64 group = addHundredGroups(connection);
    report("summary statements of 23 tables by 100 groups", time(runs, [&] {
               summary::breakdownTables(connection, tables, summary::Breakdown::Grouping, group);
           }), reading);
    const double byGroups = time(runs, [&] {
        summary::RunSummary(connection, QStringLiteral("bench"), all, summary::Breakdown::Grouping, group, ui::twoLineProgress());
    });
    report("summary of 23 tables by 100 groups, saved", byGroups, reading);
    std::printf("  %-46s %9s      %5.2f x by level\n", "", "", byGroups / byLevel);
    setFileOpener({});
}


// Steps through every row of `sql` and reads every cell.
void readEveryCell(db::Connection& connection, const QString& sql) {
    db::Statement rows(connection, sql);
    double sum = 0;
    while (rows.next())
        for (int c = 0; c < rows.columnCount(); ++c) sum += rows.value(c).toDouble();
    if (sum < 0) std::printf("?");
}

// An exchange file of `count` generated verified records with codes from
// `firstCode` on; the codes of `existing` replace codes spread over the file.
QString writeOfficeFile(const QString& folder, const QString& name, int count, qint64 firstCode,
                        const QList<qint64>& existing = {}) {
    const QString database = folder + QStringLiteral("/") + name + QStringLiteral(".mdb");
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/") + systemDataFileName(), database);
    QFile::setPermissions(database, QFile::ReadOwner | QFile::WriteOwner);
    WorkingDatabase office;
    office.connection.open(database);
    office.path = database;
    generateRecords(office.connection, count, 2020);
    office.connection.execute(QStringLiteral("UPDATE dt_data SET c901=c901-(select min(c901) from dt_data)+?, RecordState=1"),
                              {firstCode});
    if (!existing.isEmpty()) {
        QList<qint64> own;
        {
            db::Statement codes(office.connection, QStringLiteral("select c901 from dt_data order by c901 desc"));
            while (codes.next()) own << codes.integer(0);
        }
        const qsizetype step = own.size() / existing.size();
        for (qsizetype i = 0; i < existing.size(); ++i)
            office.connection.execute(QStringLiteral("UPDATE dt_data SET c901=? WHERE c901=?"), {existing[i], own[i * step]});
    }
    const QString file = folder + QStringLiteral("/") + name + QStringLiteral(".dat");
    WriteExchangeFile(office, QStringLiteral("下级单位"), file);
    return file;
}

// The exchange files: the export of every record, the import of a file of a
// fifth as many records without and with conflicts, the encrypted report.
void benchExchange(WorkingDatabase& working, int runs, const QString& folder) {
    db::Connection& connection = working.connection;
    connection.execute(QStringLiteral("UPDATE dt_data SET RecordState=1"));
    const qint64 records = connection.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong();
    const double reading = time(runs, [&] { readEveryCell(connection, QStringLiteral("select * from dt_data order by c901")); });
    report(("exchange baseline: read " + QByteArray::number(records) + " rows, every cell").constData(), reading);
    const QString exported = folder + QStringLiteral("/export.dat");
    report("export for reporting, every record", time(runs, [&] { WriteExchangeFile(working, QStringLiteral("本级"), exported); },
                                                      [&] { QFile::remove(exported); }),
           reading);
    report("encrypted report file, every record", time(runs, [&] {
               WriteReportFile(connection, folder + QStringLiteral("/report.dat"));
           }), reading);

    // The incoming file: new codes below every generated one. The second file
    // has a hundred codes that exist, which come last in it: the bulk insert
    // fails only at its end, the slowest case.
    const int incoming = int(std::max<qint64>(records / 5, 1));
    const qint64 firstNew = 100000000000, lastNew = 100999999999;
    const QString fresh = writeOfficeFile(folder, QStringLiteral("fresh"), incoming, firstNew);
    QList<qint64> existing;
    {
        db::Statement codes(connection, QStringLiteral("select c901 from dt_data order by c901 desc limit 100"));
        while (codes.next()) existing << codes.integer(0);
    }
    const QString clashing = writeOfficeFile(folder, QStringLiteral("clashing"), incoming, firstNew, existing);
    const QString restored = folder + QStringLiteral("/restored.dat");
    const double readingFile = time(runs, [&] {
        QFile::remove(restored);
        db::CopyFileWhole(fresh, restored);
        RestoreExchangeHeader(restored);
        db::Connection file;
        file.open(restored, db::Access::ReadOnly, DeriveExchangePassword());
        readEveryCell(file, QStringLiteral("select * from dt_data"));
    });
    report(("import baseline: restore, open and read the " + QByteArray::number(incoming) + " rows").constData(), readingFile);

    BenchPrompter yes;
    ui::installPrompter(&yes);
    qputenv("TEMP", folder.toLocal8Bit());
    setFileOpener([](const QString&) {});
    const auto removeImported = [&] {
        connection.execute(QStringLiteral("DELETE FROM dt_data WHERE c901 BETWEEN ? AND ?"), {firstNew, lastNew});
    };
    ImportOutcome outcome = ImportOutcome::Failed;
    report("import, no conflicts", time(runs, [&] { outcome = ImportExchangeFileAt(working, QStringLiteral("dt_data"), fresh); },
                                        removeImported),
           readingFile);
    if (outcome != ImportOutcome::Imported) std::printf("  (the import without conflicts did not import)\n");
    report("import, 100 conflicts: nothing added, report", time(runs, [&] {
               outcome = ImportExchangeFileAt(working, QStringLiteral("dt_data"), clashing);
           }, removeImported),
           readingFile);
    if (outcome != ImportOutcome::Refused) std::printf("  (the import with conflicts was not refused)\n");
    removeImported();
    setFileOpener({});
    ui::installPrompter(nullptr);
}

// The automatic backup against copying the file, and the update import of a
// file of a tenth as many records, a fifth of them changed, against the plain
// import of the same file into the database without its records.
void benchUpdateImport(WorkingDatabase& working, int runs, const QString& folder) {
    db::Connection& connection = working.connection;
    connection.execute(QStringLiteral("UPDATE dt_data SET RecordState=1"));
    const QString copy = folder + QStringLiteral("/copy.mdb");
    const double copying = time(runs, [&] { db::CopyFileWhole(working.path, copy); }, [&] { QFile::remove(copy); });
    QFile::remove(copy);
    report(("backup baseline: copy the file of " + QByteArray::number(QFileInfo(working.path).size() / 1000000) + " MB").constData(),
           copying);
    report("automatic backup, rotation included", time(runs, [&] { MakeAutoBackup(connection, QStringLiteral("bench")); }), copying);

    // The office's file: a tenth of the records, as stored, with a fifth of them changed.
    const qint64 records = connection.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong();
    const qint64 incoming = std::max<qint64>(records / 10, 1), changed = std::max<qint64>(incoming / 5, 1);
    const QString officePath = folder + QStringLiteral("/office.mdb");
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/") + systemDataFileName(), officePath);
    QFile::setPermissions(officePath, QFile::ReadOwner | QFile::WriteOwner);
    QList<qint64> codes;
    {
        WorkingDatabase office;
        office.connection.open(officePath);
        office.path = officePath;
        office.connection.attach(working.path, QStringLiteral("city"));
        office.connection.execute(QStringLiteral("INSERT INTO dt_data SELECT * FROM city.dt_data ORDER BY c901 LIMIT ?"), {incoming});
        office.connection.detach(QStringLiteral("city"));
        office.connection.execute(QStringLiteral("UPDATE dt_data SET z001=ifnull(z001,0)+1 WHERE c901 IN "
                                                 "(SELECT c901 FROM dt_data ORDER BY c901 LIMIT ?)"), {changed});
        for (db::Statement rows(office.connection, QStringLiteral("select c901 from dt_data order by c901")); rows.next();)
            codes << rows.integer(0);
        WriteExchangeFile(office, QStringLiteral("下级单位"), folder + QStringLiteral("/office.dat"));
    }
    const QString file = folder + QStringLiteral("/office.dat");
    const qint64 firstCode = codes.first(), lastCode = codes.last(), lastChanged = codes[changed - 1];

    BenchPrompter yes;
    ui::installPrompter(&yes);
    qputenv("TEMP", folder.toLocal8Bit());
    setFileOpener([](const QString&) {});
    // The plain import: the file's records taken out of the database first.
    connection.execute(QStringLiteral("CREATE TEMP TABLE taken AS SELECT * FROM dt_data WHERE c901 BETWEEN ? AND ?"), {firstCode, lastCode});
    const auto takeOut = [&] { connection.execute(QStringLiteral("DELETE FROM dt_data WHERE c901 BETWEEN ? AND ?"), {firstCode, lastCode}); };
    ImportOutcome imported = ImportOutcome::Failed;
    const double plain = time(runs, [&] { imported = ImportExchangeFileAt(working, QStringLiteral("dt_data"), file); }, takeOut);
    if (imported != ImportOutcome::Imported) std::printf("  (the plain import did not import)\n");
    report(("plain import of " + QByteArray::number(incoming) + " records, with its backup").constData(), plain);
    takeOut();
    connection.execute(QStringLiteral("INSERT INTO dt_data SELECT * FROM temp.taken"));
    connection.execute(QStringLiteral("DROP TABLE temp.taken"));

    // Each run finds the changed records as stored before.
    const auto unchange = [&] {
        connection.execute(QStringLiteral("UPDATE dt_data SET z001=z001-1 WHERE c901 BETWEEN ? AND ?"), {firstCode, lastChanged});
    };
    Outcome updated;
    const double update = time(runs, [&] { updated = UpdateImportFilesAt(working, {file}, true); },
                               [&, first = true]() mutable {
                                   if (!first) unchange();
                                   first = false;
                               });
    if (!updated.isDone()) std::printf("  (the update import did not update)\n");
    report(("update import, " + QByteArray::number(changed) + " changed, with its backup").constData(), update, plain);
    setFileOpener({});
    ui::installPrompter(nullptr);
}

// The most memory the process has held so far, in megabytes.
double peakMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

// The record list export of every table against writing the same cells, read
// the same way, as CSV text; the peak memory after each step shows whether the
// export holds its rows.
void benchListExport(WorkingDatabase& working, int runs, const QString& folder) {
    ListExportChoice choice;
    choice.tables = readExportTableList(QCoreApplication::applicationDirPath() + QStringLiteral("/") + exportTableFileName());
    const ListExportQuery statement = *BuildListExportQuery(working.connection, choice);
    qint64 cells = 0;
    std::printf("  peak memory before the exports: %.0f MB\n", peakMemory());
    const QString csv = folder + QStringLiteral("/list.csv");
    const double writeCsv = time(runs, [&] {
        db::RecordSet query;
        query.open(working.connection, statement.sql, statement.params);
        QFile file(csv);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        QByteArray line;
        cells = 0;
        for (query.first(); !query.atEnd(); query.next()) {
            line.clear();
            for (int f = 0; f < query.fieldCount(); ++f) line += query.value(f).toString().toUtf8() + ',';
            line += "\r\n";
            file.write(line);
            cells += query.fieldCount();
        }
    });
    report(("baseline: the same " + QByteArray::number(cells) + " cells as CSV text").constData(), writeCsv);
    std::printf("  peak memory after the CSV text: %.0f MB (%.0f MB written)\n", peakMemory(),
                double(QFileInfo(csv).size()) / 1e6);

    const QString path = folder + QStringLiteral("/list.xlsx");
    BenchPrompter prompter(path);
    ui::installPrompter(&prompter);
    ListExportChoice tenth = choice;
    tenth.scope = ListExportChoice::Scope::CodeRange;
    tenth.fromCode = QStringLiteral("1");
    tenth.toCode = working.connection.scalar(QStringLiteral("select c901 from dt_data order by c901 limit 1 offset ?"),
                                             {working.connection.scalar(QStringLiteral("select count(*)/10 from dt_data"))}).toString();
    ExportRecordList(working, tenth);
    std::printf("  peak memory after exporting a tenth of the records: %.0f MB\n", peakMemory());
    report("record list export of every table, saved", time(runs, [&] { ExportRecordList(working, choice); }), writeCsv);
    std::printf("  peak memory after exporting every record: %.0f MB (a workbook of %.0f MB)\n", peakMemory(),
                double(QFileInfo(path).size()) / 1e6);
    ui::installPrompter(nullptr);
}

} // namespace

// Locating a unit by the pinyin of its name, on names of varied characters: the
// first search transliterates every name, later ones only compare.
void benchPinyinSearch(db::Connection& connection, int runs) {
    static const QString pool = QStringLiteral(
        "北京天津河北山西内蒙古辽宁吉林黑龙江上海苏浙安徽福建山东河南湖南广东西海重庆四川贵州云藏陕甘肃青宁夏新疆"
        "市县区镇乡街道总工会联合委员铁路民航金融邮电力设教育科技卫生文化体农水利交通运输机械冶化纺织轻商业粮食供销"
        "财贸国防军石油煤炭地质有色烟草空天船舶兵器核长春厦门沈阳大连哈尔滨杭州波肥福济岛郑武汉沙圳成都昆明拉萨安兰乌鲁木齐");
    {
        db::Transaction transaction(connection);
        db::Statement rename(connection, QStringLiteral("UPDATE dt_data SET c902=? WHERE c901=?"));
        std::vector<qint64> codes;
        for (db::Statement rows(connection, QStringLiteral("SELECT c901 FROM dt_data")); rows.next();) codes.push_back(rows.integer(0));
        for (size_t r = 0; r < codes.size(); ++r) {
            QString name;
            for (size_t i = 0; i < 6 + r % 6; ++i) name += pool[qsizetype((r * (7 + 2 * i) + i * 31) % size_t(pool.size()))];
            rename.bind(1, name + QStringLiteral("工会"));
            rename.bind(2, codes[r]);
            rename.run();
        }
        transaction.commit();
    }
    db::RecordSet list;
    list.openKeyed(connection, kRecordList, QStringLiteral("c901"));
    BenchPrompter quiet;
    ui::installPrompter(&quiet);
    // A text no name holds: every name is compared.
    const QString absent = QStringLiteral("zhongguoqiche");
    report("locate by pinyin, first search (one run)", time(1, [&] { LocateRecordByName(connection, list, absent); }));
    report("locate by pinyin, later searches", time(runs, [&] { LocateRecordByName(connection, list, absent); }));
    report("locate by the characters of a name (baseline)", time(runs, [&] {
               LocateRecordByName(connection, list, QStringLiteral("中国汽车"));
           }));
    ui::installPrompter(nullptr);
    list.close();
}

int main(int argc, char* argv[]) {
    QStandardPaths::setTestModeEnabled(true);  // prints go to a test documents folder, never the user's
    QCoreApplication application(argc, argv);
    const QString systemDataFile = QCoreApplication::applicationDirPath() + QStringLiteral("/") + systemDataFileName();
    if (argc >= 3 && QLatin1String(argv[1]) == QLatin1String("--generate")) {
        const QString target = QString::fromLocal8Bit(argv[2]);
        QFile::remove(target);
        if (!QFile::copy(systemDataFile, target)) {
            std::fprintf(stderr, "survey-bench: cannot write %s\n", argv[2]);
            return 1;
        }
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        db::Connection connection;
        connection.open(target);
        generateRecords(connection, argc > 3 ? std::atoi(argv[3]) : 50000);
        return 0;
    }
    const int records = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const bool onlyExchange = argc > 3 && QLatin1String(argv[3]) == QLatin1String("exchange");
    const bool listExport = argc > 3 && QLatin1String(argv[3]) == QLatin1String("list-export");
    const bool onlySummary = argc > 3 && QLatin1String(argv[3]) == QLatin1String("summary");
    const bool onlyUpdate = argc > 3 && QLatin1String(argv[3]) == QLatin1String("update");

    QTemporaryDir folder;
    // The settings the bench changes (the number of backups kept) stay in its folder.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    // The imports make their automatic backups: one kept is enough here.
    setAutoBackupsKept(1);
    setProgramFolder(folder.path());
    const QString path = programFolder() + systemDataFileName();
    if (!QFile::copy(systemDataFile, path)) {
        std::fprintf(stderr, "survey-bench: no system data file beside the program\n");
        return 1;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/") + printTemplateName(),
                programFolder() + printTemplateName());
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/view.dll"), programFolder() + QStringLiteral("view.dll"));
    {
        db::Connection connection;
        connection.open(path);
        const auto start = std::chrono::steady_clock::now();
        generateRecords(connection, records);
        std::printf("%d records generated in %.0f ms; medians of %d runs:\n", records,
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(), runs);
    }

    WorkingDatabase& working = workingDatabase();
    if (!OpenSurveyDatabase()) return 1;
    if (onlyExchange) {
        benchExchange(working, runs, folder.path());
        closeWorkingDatabase();
        return 0;
    }
    if (listExport) {
        benchListExport(working, runs, folder.path());
        closeWorkingDatabase();
        return 0;
    }
    if (onlyUpdate) {
        benchUpdateImport(working, runs, folder.path());
        closeWorkingDatabase();
        return 0;
    }
    if (onlySummary) {
        benchSummary(working.connection, runs, folder.path());
        closeWorkingDatabase();
        return 0;
    }
    // Start-up: opening the file against checking it before the main window is built.
    const double open = time(runs, [&] {
        db::Connection connection;
        connection.open(path);
        readDatabaseLabel(connection);
    });
    report("baseline: open the file, read its label", open);
    report("PRAGMA quick_check", time(runs, [&] { working.connection.scalar(QStringLiteral("PRAGMA quick_check")); }), open);
    report("check the survey database", time(runs, [&] { checkSurveyDatabase(working.connection); }), open);
    report("open the working database, with its check", time(runs, [] { OpenSurveyDatabase(); }), open);

    // Baseline: the engine stepping through the record list and reading every cell.
    const double baseline = time(runs, [&] {
        db::Statement list(working.connection, kRecordList);
        double sum = 0;
        while (list.next())
            for (int c = 0; c < list.columnCount(); ++c) sum += list.value(c).toDouble();
        if (sum < 0) std::printf("?");
    });
    report("baseline: step the record list, read every cell", baseline);

    db::RecordSet copied;
    report("open the record list as a copy", time(runs, [&] { copied.open(working.connection, kRecordList); }), baseline);
    copied.close();
    db::RecordSet list;
    report("open the record list by its keys", time(runs, [&] {
               list.openKeyed(working.connection, kRecordList, QStringLiteral("c901"));
           }), baseline);
    report("read the whole record list, every cell", time(runs, [&] {
               double sum = 0;
               for (list.first(); !list.atEnd(); list.next())
                   for (int c = 0; c < list.fieldCount(); ++c) sum += list.value(c).toDouble();
               if (sum < 0) std::printf("?");
           }), baseline);
    list.moveTo(records / 2);
    report("re-run the record list, back to the row", time(runs, [&] { list.requery(QStringLiteral("c901")); }), baseline);
    report("sort the record list on one column", time(runs, [&] { list.sort(QStringLiteral("z001 DESC")); }), baseline);
    report("sort the record list on the unit names (pinyin)", time(runs, [&] { list.sort(QStringLiteral("c902 ASC")); }),
           baseline);
    report("draw one screen of 40 rows x 20 columns", time(runs, [&] {
               for (qint64 r = records / 3; r < records / 3 + 40; ++r)
                   for (int c = 0; c < 20; ++c) list.valueAt(r, c);
           }));
    list.close();
    benchWorkbooks(working.connection, runs, folder.path());
    benchSummary(working.connection, runs, folder.path());

    // The batch check against merely reading the rows it checks.
    const double reading = time(runs, [&] {
        db::Statement rows(working.connection, allRecordsSql());
        const RuleValueReader reader(rows);
        const int code = rows.columnIndex(QStringLiteral("c901"));
        const int name = rows.columnIndex(QStringLiteral("c902"));
        RuleValues values;
        long double sum = 0;
        while (rows.next()) {
            reader.read(values);
            sum += values[0] + rows.real(code) + rows.text(name).size();
        }
        if (sum < 0) std::printf("?");
    });
    report("batch check baseline: read the checked rows", reading);
    // Every record starts unchecked, so every run writes every state; the results file stays in our folder.
    qputenv("TEMP", folder.path().toLocal8Bit());
    setFileOpener([](const QString&) {});
    report("batch check of every record, states and file", time(runs, [] { RunBatchCheck(workingDatabase(), allRecordsSql()); }, [&] {
               working.connection.execute(QStringLiteral("UPDATE dt_data SET RecordState=0"));
           }), reading);
    std::printf("  (%lld findings, a results file of %.0f MB)\n", static_cast<long long>(checkRunState().findingsCount),
                double(QFileInfo(resultsFilePath(workingDatabase().label)).size()) / 1e6);
    report("the same, keeping the findings for their window", time(runs, [] {
               CheckFindings findings;
               RunBatchCheck(workingDatabase(), allRecordsSql(), nullptr, &findings);
           }, [&] { working.connection.execute(QStringLiteral("UPDATE dt_data SET RecordState=0")); }), reading);
    benchPinyinSearch(working.connection, runs);
    benchExchange(working, runs, folder.path());
    benchUpdateImport(working, runs, folder.path());
    closeWorkingDatabase();
    return 0;
}
