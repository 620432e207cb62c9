#include "exchange/ImportExchangeFile.h"

#include "core/AutoBackup.h"
#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "exchange/ExchangeFile.h"
#include "exchange/IncomingFile.h"

#include <QFileInfo>

namespace {

const QString kReportName = QStringLiteral("数据导入编号冲突.txt");
const QString kStep = QStringLiteral("数据导入");

// Writes the conflict report and opens it with the default viewer. When it
// cannot be written, returns why (nothing of it stays); empty otherwise.
QString writeAndOpenReport(const QList<ConflictSection>& sections) {
    try {
        WriteConflictReport(sections);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    openWithDefaultApplication(ConflictReportPath());
    return {};
}

// The message after a refusal for codes that exist already, naming the report,
// or saying that it could not be written.
QString conflictMessage(const QString& reportProblem, const QString& written) {
    if (reportProblem.isEmpty()) return written;
    return QStringLiteral("没有导入任何记录：准备导入的数据与现有的数据有重复的编号，但冲突记录没有能写入文件“%1”（%2）。")
        .arg(kReportName, reportProblem);
}

QString stoppedMessage(const QString& failure) {
    return QStringLiteral("导入没有完成，没有导入任何记录：") + failure;
}

QString fileName(const QString& path) { return QFileInfo(path).fileName(); }

QString severalFilesSummary(const ImportCounts& counts, qsizetype total) {
    QString text = QStringLiteral("共%1个文件：导入了%2个，因编号冲突没有导入%3个，不能读取%4个。")
                       .arg(total)
                       .arg(counts.imported)
                       .arg(counts.refused)
                       .arg(counts.unreadable.size());
    if (counts.refused > 0) text += QStringLiteral("\n\n发生编号冲突的记录请参见文件：\n            ") + kReportName;
    if (!counts.failure.isEmpty()) text += QStringLiteral("\n\n") + stoppedMessage(counts.failure) + QStringLiteral("（其余的文件没有导入）");
    if (!counts.unreadable.isEmpty()) {
        QStringList names;
        for (const QString& path : counts.unreadable) names << fileName(path);
        text += QStringLiteral("\n\n不能读取的文件：") + names.join(QStringLiteral("、"));
    }
    return text;
}

ImportCounts importSeveralFiles(db::Connection& connection, const QString& table, const QStringList& chosen) {
    QList<ListedFile> readable;
    ImportCounts counts;
    // Reading dozens of files takes a while: the bar runs once for the reading, once for the import.
    ui::ProgressSink& progress = ui::progress();
    progress.setCaption(QStringLiteral("数据导入"));
    progress.start(int(chosen.size()), 0);
    for (const QString& path : chosen) {
        const IncomingFile file(connection, table, path);
        if (file.problem().isEmpty() && file.sameColumns()) readable.append({path, file.label(), file.records()});
        else counts.unreadable << path;
        progress.step();
    }
    progress.hide();
    if (!readable.isEmpty() && !ui::askYesNo(severalLabelsQuestion(readable, counts.unreadable), labelQuestionTitle(), ui::AskStyle::Warning)) {
        ImportCounts declined;
        declined.declined = true;
        return declined;
    }

    QList<ConflictSection> sections;
    progress.start(int(readable.size()), 0);
    bool backedUp = false;
    for (const ListedFile& listed : readable) {
        if (!counts.failure.isEmpty()) break;
        IncomingFile file(connection, table, listed.path);
        // One backup before the first file that adds records.
        if (!backedUp && file.problem().isEmpty() && file.addsRecords()) {
            if (const QString reason = MakeAutoBackup(connection, kStep); !reason.isEmpty()) {
                counts.failure = QStringLiteral("自动备份没有完成，") + reason;
                break;
            }
            backedUp = true;
        }
        QList<IncomingFile::Conflict> conflicts;
        const IncomingFile::Result result =
            file.problem().isEmpty() ? file.importRecords(conflicts) : IncomingFile::Result::Unreadable;
        if (result == IncomingFile::Result::Imported) {
            ++counts.imported;
        } else if (result == IncomingFile::Result::Failed) {
            counts.failure = file.failure();
        } else if (result == IncomingFile::Result::Conflicting && !conflicts.isEmpty()) {
            ++counts.refused;
            sections.append({listed.path, conflicts});
        } else {
            // Records the database refuses for other reasons than their codes cannot be read into it either.
            counts.unreadable << listed.path;
        }
        progress.step();
    }
    progress.hide();
    const QString reportProblem = sections.isEmpty() ? QString() : writeAndOpenReport(sections);
    QString summary = severalFilesSummary(counts, chosen.size());
    if (!reportProblem.isEmpty())
        summary += QStringLiteral("\n\n冲突记录没有能写入文件“%1”（%2）。").arg(kReportName, reportProblem);
    if (counts.failure.isEmpty() && reportProblem.isEmpty()) ui::showMessage(summary);
    else ui::showError(summary);
    return counts;
}

} // namespace

QString ConflictReportPath() { return tempFolder() + u'/' + kReportName; }

ImportOutcome ImportExchangeFileAt(WorkingDatabase& working, const QString& table, const QString& chosen) {
    IncomingFile file(working.connection, table, chosen);
    if (!file.problem().isEmpty()) {
        ui::showError(file.problem());
        return ImportOutcome::Failed;
    }
    if (!ui::askYesNo(labelQuestion(file.label()), labelQuestionTitle(), ui::AskStyle::Warning)) return ImportOutcome::Declined;
    if (file.addsRecords()) {
        if (const QString reason = MakeAutoBackup(working.connection, kStep); !reason.isEmpty()) {
            ui::showError(autoBackupFailedMessage(reason));
            return ImportOutcome::Failed;
        }
    }
    QList<IncomingFile::Conflict> conflicts;
    switch (file.importRecords(conflicts)) {
    case IncomingFile::Result::Imported:
        ui::showMessage(QStringLiteral("数据已经被正确地从'") + chosen + QStringLiteral("'导入！"));
        return ImportOutcome::Imported;
    case IncomingFile::Result::Failed:
        ui::showError(stoppedMessage(file.failure()));
        return ImportOutcome::Failed;
    case IncomingFile::Result::Conflicting:
        if (!conflicts.isEmpty()) break;
        [[fallthrough]];  // the database refused the records, but for none of their codes
    case IncomingFile::Result::Unreadable:
        ui::showError(file.failure().isEmpty() ? QStringLiteral("导入文件格式错误") : file.failure());
        return ImportOutcome::Refused;
    }
    ui::showError(conflictMessage(writeAndOpenReport({{QString(), conflicts}}),
                                  QStringLiteral("导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r\n\r"
                                                 "            ") + kReportName + QStringLiteral("。")));
    return ImportOutcome::Refused;
}

namespace {

ImportCounts importChosenFiles(WorkingDatabase& working, const QString& table, const QStringList& chosen) {
    if (chosen.size() != 1) return importSeveralFiles(working.connection, table, chosen);
    ImportCounts counts;
    switch (ImportExchangeFileAt(working, table, chosen.constFirst())) {
    case ImportOutcome::Imported:
        counts.imported = 1;
        break;
    case ImportOutcome::Declined:
        counts.declined = true;
        break;
    case ImportOutcome::Refused:
        counts.refused = 1;
        break;
    case ImportOutcome::Failed:
        counts.unreadable << chosen.constFirst();
        break;
    }
    return counts;
}

} // namespace

ImportCounts ImportExchangeFilesAt(WorkingDatabase& working, const QString& table, const QStringList& chosen) {
    const ImportCounts counts = importChosenFiles(working, table, chosen);
    if (counts.mustRequery()) working.announceRecordsChanged();
    return counts;
}

QStringList ChooseImportFiles() {
    ui::FileDialogRequest request;
    request.title = QStringLiteral("选择导入文件");
    request.folder = documentsFolder();
    request.filters = {QStringLiteral("数据加密文件(*.dat)"), QStringLiteral("数据备份文件(*.mdb)")};
    request.multiple = true;
    const ui::FileDialogAnswer answer = ui::prompter().chooseOpenFile(request);
    // Files picked together exist as they are; a single name is completed by the chosen filter.
    if (answer.paths.size() > 1) return answer.paths;
    if (answer.path.trimmed().isEmpty()) return {};
    return {CompleteOpenedFileName(answer.path, answer.filterIndex == 1 ? QStringLiteral(".mdb") : QStringLiteral(".dat"))};
}

void ImportExchangeFile(WorkingDatabase& working, const QString& table) {
    const QStringList chosen = ChooseImportFiles();
    if (!chosen.isEmpty()) ImportExchangeFilesAt(working, table, chosen);
}
