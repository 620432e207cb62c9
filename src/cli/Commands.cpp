#include "cli/Commands.h"

#include "checks/BatchCheck.h"
#include "cli/Console.h"
#include "core/AutoBackup.h"
#include "core/FieldRules.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "core/Version.h"
#include "db/EncryptedImage.h"
#include "db/NewFile.h"
#include "db/Statement.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ExportForReporting.h"
#include "exchange/ImportExchangeFile.h"
#include "exchange/IncomingFile.h"
#include "exchange/ReportFile.h"
#include "exchange/UpdateImport.h"
#include "core/Progress.h"
#include "summary/SummaryWorkbook.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSet>
#include <tuple>
#include <algorithm>
#include <QMap>
#include <QStringList>
#include <stdexcept>

namespace {

const QString kProgram = QStringLiteral("varnel-survey-cli");

// A bad argument, a missing file or a file that is not a survey database: exit status 2.
class ArgumentError : public std::runtime_error {
public:
    explicit ArgumentError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// The options every command takes and the number of values each one has.
const QMap<QString, int> kOptionValues{
    {QStringLiteral("--db"), 1},     {QStringLiteral("--yes"), 0},   {QStringLiteral("--help"), 0},
    {QStringLiteral("-h"), 0},       {QStringLiteral("--range"), 2}, {QStringLiteral("--codes"), 1},
    {QStringLiteral("--label"), 1},  {QStringLiteral("--by"), 1},    {QStringLiteral("--tables"), 1},
    {QStringLiteral("--version"), 0}, {QStringLiteral("--json"), 0},  {QStringLiteral("--replace"), 0},
};
const QStringList kGeneralOptions{QStringLiteral("--db"), QStringLiteral("--yes"), QStringLiteral("--help"),
                                  QStringLiteral("-h"), QStringLiteral("--version")};

// The command line taken apart: the command, its file arguments and its options.
struct Invocation {
    QString command;
    QStringList files;
    QMap<QString, QStringList> options;

    bool has(const QString& option) const { return options.contains(option); }
    QString value(const QString& option) const { return options.value(option).value(0); }
    bool wantsHelp() const { return has(QStringLiteral("--help")) || has(QStringLiteral("-h")); }
};

Invocation parse(const QStringList& arguments) {
    Invocation call;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1) {
            // "--option=value" is "--option value"; two values are written "--range=FIRST,LAST".
            const qsizetype equals = argument.startsWith(QLatin1String("--")) ? argument.indexOf(u'=') : -1;
            const QString option = equals < 0 ? argument : argument.left(equals);
            if (!kOptionValues.contains(option)) throw ArgumentError(QStringLiteral("未知的选项“%1”。").arg(option));
            if (call.has(option)) throw ArgumentError(QStringLiteral("选项“%1”只能给一次。").arg(option));
            const int count = kOptionValues.value(option);
            QStringList values;
            if (equals >= 0) {
                values = argument.mid(equals + 1).split(u',');
                if (count != 1 && values.size() != count)
                    throw ArgumentError(count == 0 ? QStringLiteral("选项“%1”不带值。").arg(option)
                                                   : QStringLiteral("选项“%1”要用逗号隔开的%2个值。").arg(option).arg(count));
                if (count == 1) values = {argument.mid(equals + 1)};
            } else {
                if (i + count >= arguments.size())
                    throw ArgumentError(QStringLiteral("选项“%1”后面要跟%2个值。").arg(option).arg(count));
                values = arguments.mid(i + 1, count);
                i += count;
            }
            call.options.insert(option, values);
        } else if (call.command.isEmpty()) {
            call.command = argument;
        } else {
            call.files << argument;
        }
    }
    return call;
}

// An existing file named on the command line, as an absolute path.
QString existingFile(const QString& name) {
    const QFileInfo file(name);
    if (!file.isFile()) throw ArgumentError(QStringLiteral("文件“%1”不存在。").arg(name));
    return file.absoluteFilePath();
}

// The database could not be used for another reason than its content (a lock,
// read-only media, a read error): exit status 1, its message already shown.
class CannotRun : public std::runtime_error {
public:
    CannotRun() : std::runtime_error("cannot run") {}
};

// Opens the database file of --db (default: the system data file of the
// program folder); `readOnly` for a command that only reads it.
WorkingDatabase& openDatabase(const Invocation& call, bool readOnly = false) {
    const QString path = call.has(QStringLiteral("--db")) ? existingFile(call.value(QStringLiteral("--db")))
                                                          : programFolder() + systemDataFileName();
    if (!QFileInfo(path).isFile()) throw ArgumentError(QStringLiteral("数据库文件“%1”不存在。").arg(path));
    switch (OpenSurveyDatabase(path, readOnly).problem) {
    case OpenProblem::None: return workingDatabase();
    case OpenProblem::InUse:
    case OpenProblem::ReadOnly:
    case OpenProblem::Failed: throw CannotRun();
    case OpenProblem::Missing:
    case OpenProblem::NotSurveyDatabase: break;
    }
    throw ArgumentError(QStringLiteral("文件“%1”不是调查数据库文件。").arg(path));
}

// The exit status of an operation's outcome; the file it wrote, or that holds its findings, is printed.
int exitStatus(const Outcome& outcome) {
    if (!outcome.file.isEmpty()) printOutput(outcome.file);
    return outcome.isDone() ? kSuccess : kFailure;
}

// One table of `info`: code, name and number of records per row of `sql`.
struct CountRow {
    QVariant code;  // null for records without one
    QString name;
    qint64 records;
};

QList<CountRow> readCounts(const QString& sql) {
    QList<CountRow> rows;
    db::Statement statement(workingDatabase().connection, sql);
    while (statement.next()) rows.append({statement.value(0), statement.text(1), statement.integer(2)});
    return rows;
}

QString countsByCode(const QString& field, const QString& codeTable) {
    return QStringLiteral("select d.%1, c.Name, count(*) from dt_data d left join %2 c on c.ID=d.%1 group by d.%1 order by d.%1")
        .arg(field, codeTable);
}

int runInfo(const Invocation& call, ConsoleSession&) {
    WorkingDatabase& working = openDatabase(call, true);
    const qint64 records = working.connection.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong();
    // Each table: its heading in the text, its key in JSON, its counts.
    const QList<std::tuple<QString, QString, QList<CountRow>>> tables{
        {QStringLiteral("记录状态"), QStringLiteral("recordState"),
         readCounts(QStringLiteral("select RecordState, case RecordState when 0 then '临时保存' when 1 then '没有逻辑错误' "
                                   "when 2 then '存在逻辑错误' else '' end, count(*) from dt_data group by RecordState order by RecordState"))},
        {QStringLiteral("填报状态"), QStringLiteral("reportState"), readCounts(countsByCode(QStringLiteral("c907"), QStringLiteral("CT_state")))},
        {QStringLiteral("层次代码"), QStringLiteral("level"), readCounts(countsByCode(QStringLiteral("c904"), QStringLiteral("CT_LevelCode")))},
    };
    if (call.has(QStringLiteral("--json"))) {
        QJsonObject info{{QStringLiteral("label"), working.label}, {QStringLiteral("file"), working.path},
                         {QStringLiteral("records"), records}};
        for (const auto& [heading, key, rows] : tables) {
            QJsonArray list;
            for (const CountRow& row : rows)
                list.append(QJsonObject{{QStringLiteral("code"), row.code.isNull() ? QJsonValue() : QJsonValue(row.code.toLongLong())},
                                        {QStringLiteral("name"), row.name},
                                        {QStringLiteral("records"), row.records}});
            info.insert(key, list);
        }
        printOutput(QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Indented)).trimmed());
        return kSuccess;
    }
    printOutput(QStringLiteral("标识\t") + working.label);
    printOutput(QStringLiteral("文件\t") + working.path);
    printOutput(QStringLiteral("记录数\t") + QString::number(records));
    for (const auto& [heading, key, rows] : tables) {
        printOutput(QString());
        printOutput(heading + QStringLiteral("\t名称\t记录数"));
        for (const CountRow& row : rows)
            printOutput((row.code.isNull() ? QStringLiteral("空") : db::variantToText(row.code)) + u'\t' + row.name + u'\t'
                        + QString::number(row.records));
    }
    return kSuccess;
}

double numberArgument(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok) throw ArgumentError(QStringLiteral("“%1”不是数字。").arg(text));
    return value;
}

QList<qint64> listedCodes(const Invocation& call);

// The selection of `check`: every checkable record, a range of codes or a list of codes.
QString checkSelection(const Invocation& call) {
    const bool range = call.has(QStringLiteral("--range")), codes = call.has(QStringLiteral("--codes"));
    if (range && codes) throw ArgumentError(QStringLiteral("--range 和 --codes 只能用其中一个。"));
    if (range) {
        const QStringList bounds = call.options.value(QStringLiteral("--range"));
        return recordRangeSql(numberArgument(bounds[0]), numberArgument(bounds[1]));
    }
    if (!codes) return allRecordsSql();
    return selectedRecordsSql(listedCodes(call));
}

// The codes of --codes.
QList<qint64> listedCodes(const Invocation& call) {
    QList<qint64> list;
    for (const QString& code : call.value(QStringLiteral("--codes")).split(u',')) {
        bool ok = false;
        list << code.trimmed().toLongLong(&ok);
        if (!ok) throw ArgumentError(QStringLiteral("“%1”不是统计编码。").arg(code));
    }
    return list;
}

int runCheck(const Invocation& call, ConsoleSession& session) {
    const QString selection = checkSelection(call);
    WorkingDatabase& working = openDatabase(call);
    if (call.has(QStringLiteral("--codes"))) {
        QStringList unknown;
        for (const qint64 code : listedCodes(call))
            if (working.connection.scalar(QStringLiteral("select count(*) from dt_data where c901=?"), {code}).toInt() == 0)
                unknown << QString::number(code);
        if (!unknown.isEmpty()) {
            printError(QStringLiteral("没有统计编码为 %1 的记录，没有检查。").arg(unknown.join(QStringLiteral("、"))));
            return kFailure;
        }
    }
    ConsoleProgress* progress = session.progress();
    if (progress) progress->setCaption(QStringLiteral("逻辑检查"));
    Outcome outcome = RunBatchCheck(working, selection, progress);
    // With findings the opener has printed the results file already.
    if (session.opened().contains(outcome.file)) outcome.file.clear();
    return exitStatus(outcome);
}

// `import` without --yes imports nothing: for each file its label, its
// number of records and the codes that would conflict, taking the files in
// turn as the import would. True when every file would be imported.
bool previewImport(WorkingDatabase& working, const QStringList& files) {
    QSet<QString> existing;
    for (db::Statement codes(working.connection, QStringLiteral("select c901 from dt_data")); codes.next();)
        existing.insert(db::variantToText(codes.value(0)));
    bool everyFile = true;
    printOutput(QStringLiteral("文件\t标识\t记录数\t冲突的统计编码"));
    for (const QString& path : files) {
        const IncomingFile file(working.connection, QStringLiteral("dt_data"), path);
        if (!file.problem().isEmpty() || !file.sameColumns()) {
            printError(QStringLiteral("文件“%1”：%2").arg(path, file.problem().isEmpty() ? QStringLiteral("文件格式不正确。") : file.problem()));
            everyFile = false;
            continue;
        }
        const QStringList codes = file.recordCodes();
        QStringList conflicting;
        for (const QString& code : codes)
            if (existing.contains(code)) conflicting << code;
        printOutput(QStringLiteral("%1\t%2\t%3\t%4").arg(path, file.label()).arg(file.records()).arg(conflicting.join(u',')));
        if (conflicting.isEmpty())
            existing.unite(QSet<QString>(codes.begin(), codes.end()));
        else
            everyFile = false;
    }
    printError(QStringLiteral("以上只是检查，没有导入数据；要导入，请加上 --yes 再运行一次。"));
    return everyFile;
}

// `import --replace`: the comparison of each file, one line per file; with
// --yes the update, without it nothing changes.
int runUpdateImport(const QStringList& files, const Invocation& call) {
    const bool apply = call.has(QStringLiteral("--yes"));
    QList<FileComparison> compared;
    const Outcome outcome = UpdateImportFilesAt(openDatabase(call), files, apply, &compared);
    if (!compared.isEmpty()) printOutput(QStringLiteral("文件\t标识\t新记录\t需要更新\t相同\t不能导入的原因"));
    for (const FileComparison& file : compared)
        printOutput(file.refusal.isEmpty() ? QStringLiteral("%1\t%2\t%3\t%4\t%5\t")
                                                 .arg(file.path, file.label)
                                                 .arg(file.added)
                                                 .arg(file.changed.size())
                                                 .arg(file.identical)
                                           : QStringLiteral("%1\t%2\t\t\t\t%3").arg(file.path, file.label, file.refusal));
    if (!apply && outcome.status != Outcome::Status::Failed)
        printError(QStringLiteral("以上只是对照，没有改动数据；要导入和更新，请加上 --yes 再运行一次。"));
    return outcome.isDone() ? kSuccess : kFailure;
}

int runImport(const Invocation& call, ConsoleSession&) {
    QStringList files;
    for (const QString& name : call.files) files << existingFile(name);
    if (call.has(QStringLiteral("--replace"))) return runUpdateImport(files, call);
    if (!call.has(QStringLiteral("--yes"))) return previewImport(openDatabase(call, true), files) ? kSuccess : kFailure;
    const ImportCounts counts = ImportExchangeFilesAt(openDatabase(call), QStringLiteral("dt_data"), files);
    return counts.imported == int(files.size()) ? kSuccess : kFailure;
}

int runExport(const Invocation& call, ConsoleSession&) {
    if (!call.has(QStringLiteral("--label"))) throw ArgumentError(QStringLiteral("请用 --label 给出提供数据的单位的名称。"));
    return exitStatus(ExportForReporting(openDatabase(call)));
}

int runReport(const Invocation& call, ConsoleSession&) { return exitStatus(ExportReportFile(openDatabase(call).connection)); }

// "--tables 2-24" or "--tables 2,5,21": sheet numbers from 1 (the cover) to 24; all tables without the option.
QList<int> chosenSheets(const Invocation& call) {
    if (!call.has(QStringLiteral("--tables"))) {
        QList<int> tables;
        for (int sheet = 2; sheet <= summary::kSummarySheetCount; ++sheet) tables << sheet;
        return tables;
    }
    const auto sheetNumber = [](const QString& text) {
        bool ok = false;
        const int sheet = text.trimmed().toInt(&ok);
        if (!ok || sheet < 1 || sheet > summary::kSummarySheetCount)
            throw ArgumentError(QStringLiteral("“%1”不是1到%2的表号。").arg(text).arg(summary::kSummarySheetCount));
        return sheet;
    };
    QList<int> sheets;
    for (const QString& part : call.value(QStringLiteral("--tables")).split(u',')) {
        const QStringList range = part.split(u'-');
        if (range.size() > 2) throw ArgumentError(QStringLiteral("“%1”不是表号的范围。").arg(part));
        const int first = sheetNumber(range.first()), last = sheetNumber(range.last());
        if (first > last) throw ArgumentError(QStringLiteral("“%1”不是表号的范围。").arg(part));
        for (int sheet = first; sheet <= last; ++sheet)
            if (!sheets.contains(sheet)) sheets << sheet;
    }
    std::sort(sheets.begin(), sheets.end());
    return sheets;
}

int runSummary(const Invocation& call, ConsoleSession&) {
    const QString by = call.value(QStringLiteral("--by"));
    summary::Breakdown breakdown = summary::Breakdown::Level;
    qint64 groupId = 0;
    if (by == QLatin1String("state")) {
        breakdown = summary::Breakdown::State;
    } else if (by.startsWith(QLatin1String("group="))) {
        breakdown = summary::Breakdown::Grouping;
        groupId = qint64(numberArgument(by.mid(6)));
    } else if (by != QLatin1String("level")) {
        throw ArgumentError(QStringLiteral("请用 --by level、--by state 或 --by group=编号 给出汇总的方式。"));
    }
    const QList<int> sheets = chosenSheets(call);
    const QString destination = QFileInfo(call.files[0]).absoluteFilePath();
    WorkingDatabase& working = openDatabase(call);
    if (isProgramDataFile(destination, working.path))
        throw ArgumentError(QStringLiteral("不能把汇总表写到正在使用的数据库文件“%1”。").arg(destination));
    if (QFileInfo::exists(destination) && !call.has(QStringLiteral("--yes"))) {
        printError(QStringLiteral("文件“%1”已经存在，没有覆盖它（要覆盖，请加上 --yes）。").arg(destination));
        return kFailure;
    }
    if (breakdown == summary::Breakdown::Grouping) {
        db::Connection& connection = working.connection;
        if (connection.scalar(QStringLiteral("select count(*) from ct_group where id=?"), {groupId}).toLongLong() == 0)
            throw ArgumentError(QStringLiteral("没有编号为%1的数据分组。").arg(groupId));
        if (connection.scalar(QStringLiteral("select count(*) from DT_GroupItem where GroupID=?"), {groupId}).toLongLong() == 0)
            throw ArgumentError(QStringLiteral("数据分组%1没有数据项目，不能按它汇总。").arg(groupId));
    }
    const QString written = summary::RunSummary(working.connection, working.label, sheets, breakdown, groupId,
                                                ui::twoLineProgress(), destination);
    return exitStatus(written.isEmpty() ? Outcome::failed({}) : Outcome::done(written));
}

// Changes the header of the named file when it is in the form `change` takes:
// never a file that a running copy of the program holds (its lock file), and
// always through a new file that takes the old one's place when complete.
int changeHeader(const Invocation& call, bool (*takes)(const QByteArray&), void (*change)(QByteArray&)) {
    const QString file = existingFile(call.files[0]);
    QLockFile lock(file + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError) {
            printError(QStringLiteral("无法建立锁文件“%1.lock”（%2），文件没有改动。").arg(file, db::lastFileErrorText()));
            return kFailure;
        }
        printError(QStringLiteral("文件“%1”正被本程序使用，没有改动它。").arg(file));
        return kFailure;
    }
    QByteArray bytes;
    try {
        bytes = db::sealed::readFile(file);
    } catch (const std::exception& e) {
        printError(QString::fromUtf8(e.what()));
        return kFailure;
    }
    if (bytes.size() < kExchangeHeaderSize || !takes(bytes)) throw ArgumentError(QStringLiteral("文件格式错误,请重新选择！"));
    change(bytes);
    try {
        db::writeFileWhole(file, bytes);
    } catch (const std::exception& e) {
        printError(QString::fromUtf8(e.what()));
        return kFailure;
    }
    return kSuccess;
}

int runBackups(const Invocation& call, ConsoleSession&) {
    WorkingDatabase& working = openDatabase(call, true);
    printOutput(QStringLiteral("备份时间\t备份时的操作\t记录数\t数据库标识\t文件"));
    for (const AutoBackup& backup : ListAutoBackups(working.connection))
        printOutput(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                        .arg(backup.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), backup.step,
                             backup.records < 0 ? QStringLiteral("不能读取") : QString::number(backup.records), backup.label,
                             backup.name));
    return kSuccess;
}

int runRestoreBackup(const Invocation& call, ConsoleSession&) {
    const Outcome outcome = RestoreAutoBackup(openDatabase(call), call.files[0]);
    return outcome.isDone() ? kSuccess : kFailure;
}

int runTransform(const Invocation& call, ConsoleSession&) { return changeHeader(call, IsTransformable, TransformHeaderBytes); }

int runRestore(const Invocation& call, ConsoleSession&) { return changeHeader(call, IsRestorable, RestoreHeaderBytes); }

struct Command {
    QString name;
    QString usage;          // the command's line in the help
    QString description;    // what it does, for its --help
    QStringList options;    // its options besides the general ones
    int minFiles, maxFiles;  // file arguments it takes
    bool savesFile;          // its file argument is the file it writes
    int (*run)(const Invocation&, ConsoleSession&);
};

const QList<Command>& commands() {
    static const QList<Command> list{
        {QStringLiteral("info"), QStringLiteral("info [--json]"),
         QStringLiteral("显示数据库的标识和记录数：按记录状态、填报状态(c907)和层次代码(c904)分别统计。\n"
                        "加 --json 时以 JSON 输出，键名固定：label、file、records，以及 recordState、reportState、level，"
                        "各为 {code, name, records} 的列表。"),
         {QStringLiteral("--json")}, 0, 0, false, runInfo},
        {QStringLiteral("check"), QStringLiteral("check [--range 起始编码 终止编码 | --codes 编码,编码,…]"),
         QStringLiteral("逻辑检查：检查全部记录（填报状态为2及以下），或编码范围内的记录，或所列编码的记录；设置记录状态，"
                        "写出检查结果文件并显示其路径。所列编码中有不存在的记录时，列出这些编码，不检查。\n"
                        "退出状态：0 没有逻辑错误；1 存在逻辑错误、所列编码的记录不存在或检查出错。"),
         {QStringLiteral("--range"), QStringLiteral("--codes")}, 0, 0, false, runCheck},
        {QStringLiteral("import"), QStringLiteral("import [--replace] 文件…"),
         QStringLiteral("数据导入：依次导入数据交换文件(.dat)或数据备份文件(.mdb)，每个文件的记录要么全部导入，要么都不导入；"
                        "编号冲突时写出“数据导入编号冲突.txt”并显示其路径。\n"
                        "不加 --yes 时只检查，不导入：每个文件一行，列出文件、标识、记录数和会发生编号冲突的统计编码。\n"
                        "加 --replace 时是更新导入：已有编号的记录逐项对照，写出“数据导入对照.txt”并显示其路径，每个文件一行列出"
                        "新记录、需要更新和相同的记录数；加 --yes 时先自动备份，再导入新记录、用文件中的记录替换不同的记录，"
                        "全部文件要么都更新，要么都不改动；不加 --yes 时只对照，不改动数据。\n"
                        "退出状态：0 全部文件都已导入（不加 --yes 时：都可以导入）；1 有文件没有导入（或不能导入）。"),
         {QStringLiteral("--replace")}, 1, -1, false, runImport},
        {QStringLiteral("export"), QStringLiteral("export --label 单位名称 输出文件.dat"),
         QStringLiteral("上报到离线版：把记录状态为1的全部记录和单位名称写入数据交换文件；存在临时保存或有逻辑错误的记录时拒绝。"),
         {QStringLiteral("--label")}, 1, 1, true, runExport},
        {QStringLiteral("report"), QStringLiteral("report 输出文件.dat"),
         QStringLiteral("上报到网络版：把全部记录写入加密的上报文件；存在临时保存或有逻辑错误的记录时拒绝。"), {}, 1, 1, true,
         runReport},
        {QStringLiteral("summary"), QStringLiteral("summary --by level|state|group=编号 [--tables 2-24|2,5,21] 输出文件.xlsx"),
         QStringLiteral("汇总：按层次、填报状态或数据分组汇总，把汇总表保存到给出的文件。"),
         {QStringLiteral("--by"), QStringLiteral("--tables")}, 1, 1, true, runSummary},
        {QStringLiteral("backups"), QStringLiteral("backups"),
         QStringLiteral("列出数据库文件旁“自动备份”文件夹中的自动备份，新的在前：备份时间、备份时的操作、记录数、数据库标识和文件名。"),
         {}, 0, 0, false, runBackups},
        {QStringLiteral("restore-backup"), QStringLiteral("restore-backup 备份文件名"),
         QStringLiteral("从自动备份恢复：先自动备份现在的数据库文件，再用给出的自动备份（backups 列出的文件名）替换它。"
                        "不加 --yes 时不恢复。"),
         {}, 1, 1, false, runRestoreBackup},
        {QStringLiteral("transform"), QStringLiteral("transform 文件"),
         QStringLiteral("变换数据交换文件的前1024个字节（文件头），与“上报到离线版”写出文件时相同。"), {}, 1, 1, false,
         runTransform},
        {QStringLiteral("restore"), QStringLiteral("restore 文件"),
         QStringLiteral("还原数据交换文件的文件头，与“数据导入”读取文件时相同。"), {}, 1, 1, false, runRestore},
    };
    return list;
}

const Command* findCommand(const QString& name) {
    for (const Command& command : commands())
        if (command.name == name) return &command;
    return nullptr;
}

void printProgramHelp() {
    QStringList lines{QStringLiteral("用法：%1 [--db 数据库文件] [--yes] 命令 [参数…]").arg(kProgram), QString(),
                      QStringLiteral("基层以上工会调查表（离线工具）的命令行程序：不用窗口导入、检查、汇总和上报数据文件。"), QString(),
                      QStringLiteral("命令：")};
    for (const Command& command : commands()) lines << QStringLiteral("  ") + command.usage;
    lines << QString() << QStringLiteral("选项：")
          << QStringLiteral("  --db 数据库文件  要处理的数据库文件，默认是程序文件夹中的系统数据文件")
          << QStringLiteral("  --yes            对提问一律回答“是”，并允许覆盖已有的输出文件")
          << QStringLiteral("  --help           显示帮助；写在命令后面时显示该命令的帮助")
          << QStringLiteral("  --version        显示程序的版本（构建号）")
          << QString()
          << QStringLiteral("带值的选项也可以写成“--选项=值”，例如 --db=数据库文件；--range 的两个值写成 --range=起始编码,终止编码。")
          << QStringLiteral("不加 --db 时使用程序文件夹中的系统数据文件（安装后的程序是每个用户自己的程序文件夹 "
                            "~/.local/share/varnel-survey/）；加了 --db 时，模板和表目录仍从程序文件夹读取。")
          << QString()
          << QStringLiteral("退出状态：0 完成；1 检查发现逻辑错误、有文件被拒绝或操作失败；2 参数错误、文件不存在或不是调查数据库文件。");
    printOutput(lines.join(u'\n'));
}

void printCommandHelp(const Command& command) {
    printOutput(QStringLiteral("用法：%1 [--db 数据库文件] [--yes] %2\n\n%3").arg(kProgram, command.usage, command.description));
}

void checkArguments(const Command& command, const Invocation& call) {
    for (const QString& option : call.options.keys())
        if (!kGeneralOptions.contains(option) && !command.options.contains(option))
            throw ArgumentError(QStringLiteral("命令 %1 没有选项“%2”。").arg(command.name, option));
    const qsizetype files = call.files.size();
    if (files < command.minFiles || (command.maxFiles >= 0 && files > command.maxFiles))
        throw ArgumentError(command.minFiles == command.maxFiles
                                ? QStringLiteral("命令 %1 要给%2个文件。").arg(command.name).arg(command.minFiles)
                                : QStringLiteral("命令 %1 至少要给%2个文件。").arg(command.name).arg(command.minFiles));
}

ConsoleAnswers answersFor(const Command& command, const Invocation& call) {
    ConsoleAnswers answers;
    answers.yes = call.has(QStringLiteral("--yes"));
    if (call.has(QStringLiteral("--label"))) answers.label = call.value(QStringLiteral("--label"));
    if (command.savesFile) answers.saveAs = QFileInfo(call.files[0]).absoluteFilePath();
    return answers;
}

int runCommand(const Command& command, const Invocation& call) {
    ConsoleSession session(answersFor(command, call));
    try {
        return command.run(call, session);
    } catch (const ArgumentError&) {
        throw;
    } catch (const CannotRun&) {
        return kFailure;
    } catch (const std::exception& e) {
        printError(QStringLiteral("运行中发生错误：") + QString::fromUtf8(e.what()));
    }
    return kFailure;
}

} // namespace

int RunCommandLine(const QStringList& arguments) {
    try {
        const Invocation call = parse(arguments);
        if (call.has(QStringLiteral("--version"))) {
            printOutput(commandVersionText(kProgram));
            return kSuccess;
        }
        if (call.command.isEmpty()) {
            if (!call.wantsHelp()) throw ArgumentError(QStringLiteral("没有给出命令。"));
            printProgramHelp();
            return kSuccess;
        }
        const Command* command = findCommand(call.command);
        if (!command) throw ArgumentError(QStringLiteral("未知的命令“%1”。").arg(call.command));
        if (call.wantsHelp()) {
            printCommandHelp(*command);
            return kSuccess;
        }
        checkArguments(*command, call);
        if (!settleProgramFolder()) return kFailure;
        return runCommand(*command, call);
    } catch (const ArgumentError& e) {
        printError(e.text());
        printError(QStringLiteral("用 %1 --help 查看用法。").arg(kProgram));
        return kBadUsage;
    }
}
