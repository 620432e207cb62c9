#include "cli/Commands.h"

#include "checks/BatchCheck.h"
#include "cli/Console.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "db/Statement.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ExportForReporting.h"
#include "exchange/ImportExchangeFile.h"
#include "exchange/ReportFile.h"
#include "core/Progress.h"
#include "summary/SummaryWorkbook.h"

#include <QFileInfo>
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
};
const QStringList kGeneralOptions{QStringLiteral("--db"), QStringLiteral("--yes"), QStringLiteral("--help"),
                                  QStringLiteral("-h")};

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
            if (!kOptionValues.contains(argument)) throw ArgumentError(QStringLiteral("未知的选项“%1”。").arg(argument));
            if (call.has(argument)) throw ArgumentError(QStringLiteral("选项“%1”只能给一次。").arg(argument));
            const int count = kOptionValues.value(argument);
            if (i + count >= arguments.size())
                throw ArgumentError(QStringLiteral("选项“%1”后面要跟%2个值。").arg(argument).arg(count));
            call.options.insert(argument, arguments.mid(i + 1, count));
            i += count;
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

// Opens the database file of --db (default: the system data file of the program folder).
WorkingDatabase& openDatabase(const Invocation& call) {
    const QString path = call.has(QStringLiteral("--db")) ? existingFile(call.value(QStringLiteral("--db")))
                                                          : programFolder() + systemDataFileName();
    if (!QFileInfo(path).isFile()) throw ArgumentError(QStringLiteral("数据库文件“%1”不存在。").arg(path));
    if (!OpenSurveyDatabase(path) || !workingDatabase().connection.hasTable(QStringLiteral("dt_data")))
        throw ArgumentError(QStringLiteral("文件“%1”不是调查数据库文件。").arg(path));
    return workingDatabase();
}

// One table of `info`: code, name and number of records per row of `sql`.
void printCounts(const QString& heading, const QString& sql) {
    printOutput(QString());
    printOutput(heading + QStringLiteral("\t名称\t记录数"));
    db::Statement rows(workingDatabase().connection, sql);
    while (rows.next())
        printOutput((rows.isNull(0) ? QStringLiteral("空") : rows.text(0)) + u'\t' + rows.text(1) + u'\t' + rows.text(2));
}

QString countsByCode(const QString& field, const QString& codeTable) {
    return QStringLiteral("select d.%1, c.Name, count(*) from dt_data d left join %2 c on c.ID=d.%1 group by d.%1 order by d.%1")
        .arg(field, codeTable);
}

int runInfo(const Invocation& call, ConsoleSession&) {
    WorkingDatabase& working = openDatabase(call);
    printOutput(QStringLiteral("标识\t") + working.label);
    printOutput(QStringLiteral("文件\t") + working.path);
    printOutput(QStringLiteral("记录数\t") + working.connection.scalar(QStringLiteral("select count(*) from dt_data")).toString());
    printCounts(QStringLiteral("记录状态"),
                QStringLiteral("select RecordState, case RecordState when 0 then '临时保存' when 1 then '没有逻辑错误' "
                               "when 2 then '存在逻辑错误' else '' end, count(*) from dt_data group by RecordState order by RecordState"));
    printCounts(QStringLiteral("填报状态"), countsByCode(QStringLiteral("c907"), QStringLiteral("CT_state")));
    printCounts(QStringLiteral("层次代码"), countsByCode(QStringLiteral("c904"), QStringLiteral("CT_LevelCode")));
    return kSuccess;
}

double numberArgument(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok) throw ArgumentError(QStringLiteral("“%1”不是数字。").arg(text));
    return value;
}

// The selection of `check`: every checkable record, a range of codes or a list of codes.
QString checkSelection(const Invocation& call) {
    const bool range = call.has(QStringLiteral("--range")), codes = call.has(QStringLiteral("--codes"));
    if (range && codes) throw ArgumentError(QStringLiteral("--range 和 --codes 只能用其中一个。"));
    if (range) {
        const QStringList bounds = call.options.value(QStringLiteral("--range"));
        return recordRangeSql(numberArgument(bounds[0]), numberArgument(bounds[1]));
    }
    if (!codes) return allRecordsSql();
    QList<qint64> list;
    for (const QString& code : call.value(QStringLiteral("--codes")).split(u',')) {
        bool ok = false;
        list << code.trimmed().toLongLong(&ok);
        if (!ok) throw ArgumentError(QStringLiteral("“%1”不是统计编码。").arg(code));
    }
    return selectedRecordsSql(list);
}

int runCheck(const Invocation& call, ConsoleSession& session) {
    const QString selection = checkSelection(call);
    WorkingDatabase& working = openDatabase(call);
    ConsoleProgress* progress = session.progress();
    if (progress) progress->setCaption(QStringLiteral("逻辑检查"));
    RunBatchCheck(working, selection, progress);
    if (session.prompter().runErrorShown()) return kFailure;
    // With findings the results file was handed to the opener, which printed its path.
    if (!session.opened().isEmpty()) return kFailure;
    const QString results = resultsFilePath(working.label);
    if (QFileInfo::exists(results)) printOutput(results);
    return kSuccess;
}

int runImport(const Invocation& call, ConsoleSession&) {
    QStringList files;
    for (const QString& name : call.files) files << existingFile(name);
    const ImportCounts counts = ImportExchangeFilesAt(openDatabase(call), QStringLiteral("dt_data"), files);
    if (counts.declined) printError(QStringLiteral("要导入以上标记的数据，请加上 --yes 再运行一次。"));
    return counts.imported == int(files.size()) ? kSuccess : kFailure;
}

// The file an export wrote is printed; none means it was refused or failed.
int printWritten(const QString& written) {
    if (written.isEmpty()) return kFailure;
    printOutput(written);
    return kSuccess;
}

int runExport(const Invocation& call, ConsoleSession&) {
    if (!call.has(QStringLiteral("--label"))) throw ArgumentError(QStringLiteral("请用 --label 给出提供数据的单位的名称。"));
    return printWritten(ExportForReporting(openDatabase(call)));
}

int runReport(const Invocation& call, ConsoleSession&) {
    return printWritten(ExportReportFile(openDatabase(call).connection));
}

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

int runSummary(const Invocation& call, ConsoleSession& session) {
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
    const QString destination = call.files[0];
    if (QFileInfo::exists(destination) && !call.has(QStringLiteral("--yes"))) {
        printError(QStringLiteral("文件“%1”已经存在，没有覆盖它（要覆盖，请加上 --yes）。").arg(destination));
        return kFailure;
    }
    WorkingDatabase& working = openDatabase(call);
    if (breakdown == summary::Breakdown::Grouping) {
        db::Connection& connection = working.connection;
        if (connection.scalar(QStringLiteral("select count(*) from ct_group where id=?"), {groupId}).toLongLong() == 0)
            throw ArgumentError(QStringLiteral("没有编号为%1的数据分组。").arg(groupId));
        if (connection.scalar(QStringLiteral("select count(*) from DT_GroupItem where GroupID=?"), {groupId}).toLongLong() == 0)
            throw ArgumentError(QStringLiteral("数据分组%1没有数据项目，不能按它汇总。").arg(groupId));
    }
    const QString written = summary::RunSummary(working.connection, working.label, sheets, breakdown, groupId,
                                                ui::twoLineProgress(), destination);
    if (session.prompter().runErrorShown()) return kFailure;
    return printWritten(written);
}

int changeHeader(const Invocation& call, void (*change)(const QString&)) {
    const QString file = existingFile(call.files[0]);
    try {
        change(file);
    } catch (const std::exception& e) {
        printError(QString::fromUtf8(e.what()));
        return kFailure;
    }
    return kSuccess;
}

int runTransform(const Invocation& call, ConsoleSession&) { return changeHeader(call, TransformExchangeHeader); }

int runRestore(const Invocation& call, ConsoleSession&) { return changeHeader(call, RestoreExchangeHeader); }

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
        {QStringLiteral("info"), QStringLiteral("info"),
         QStringLiteral("显示数据库的标识和记录数：按记录状态、填报状态(c907)和层次代码(c904)分别统计。"), {}, 0, 0, false,
         runInfo},
        {QStringLiteral("check"), QStringLiteral("check [--range 起始编码 终止编码 | --codes 编码,编码,…]"),
         QStringLiteral("逻辑检查：检查全部记录（填报状态为2及以下），或编码范围内的记录，或所列编码的记录；设置记录状态，"
                        "写出检查结果文件并显示其路径。\n退出状态：0 没有逻辑错误；1 存在逻辑错误或检查出错。"),
         {QStringLiteral("--range"), QStringLiteral("--codes")}, 0, 0, false, runCheck},
        {QStringLiteral("import"), QStringLiteral("import 文件…"),
         QStringLiteral("数据导入：依次导入数据交换文件(.dat)或数据备份文件(.mdb)，每个文件的记录要么全部导入，要么都不导入；"
                        "编号冲突时写出“数据导入编号冲突.txt”并显示其路径。不加 --yes 时只列出各文件的标记，不导入。\n"
                        "退出状态：0 全部文件都已导入；1 有文件没有导入。"),
         {}, 1, -1, false, runImport},
        {QStringLiteral("export"), QStringLiteral("export --label 单位名称 输出文件.dat"),
         QStringLiteral("上报到离线版：把记录状态为1的全部记录和单位名称写入数据交换文件；存在临时保存或有逻辑错误的记录时拒绝。"),
         {QStringLiteral("--label")}, 1, 1, true, runExport},
        {QStringLiteral("report"), QStringLiteral("report 输出文件.dat"),
         QStringLiteral("上报到网络版：把全部记录写入加密的上报文件；存在临时保存或有逻辑错误的记录时拒绝。"), {}, 1, 1, true,
         runReport},
        {QStringLiteral("summary"), QStringLiteral("summary --by level|state|group=编号 [--tables 2-24|2,5,21] 输出文件.xlsx"),
         QStringLiteral("汇总：按层次、填报状态或数据分组汇总，把汇总表保存到给出的文件。"),
         {QStringLiteral("--by"), QStringLiteral("--tables")}, 1, 1, true, runSummary},
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
          << QStringLiteral("  --help           显示帮助；写在命令后面时显示该命令的帮助") << QString()
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
    } catch (const std::exception& e) {
        printError(QStringLiteral("运行中发生错误：") + QString::fromUtf8(e.what()));
    }
    return kFailure;
}

} // namespace

int RunCommandLine(const QStringList& arguments) {
    try {
        const Invocation call = parse(arguments);
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
