#include "exchange/UpdateImport.h"

#include "core/AutoBackup.h"
#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "exchange/ImportExchangeFile.h"
#include "exchange/IncomingFile.h"

#include <QFileInfo>

namespace {

const QString kTable = QStringLiteral("dt_data");
const QString kStep = QStringLiteral("更新导入");
const QString kNothingChanged = QStringLiteral("更新导入没有完成，数据没有任何改动：");

struct Totals {
    qint64 added = 0;
    qint64 updated = 0;
    qint64 identical = 0;
    QStringList refused;  // file names
};

Totals totalsOf(const QList<FileComparison>& files) {
    Totals totals;
    for (const FileComparison& file : files) {
        if (!file.refusal.isEmpty()) {
            totals.refused << QFileInfo(file.path).fileName();
            continue;
        }
        totals.added += file.added;
        totals.updated += file.changed.size();
        totals.identical += file.identical;
    }
    return totals;
}

QString countsText(const Totals& totals) {
    QString text = QStringLiteral("新记录%1条，需要更新的记录%2条，与现有的记录相同的%3条。")
                       .arg(totals.added)
                       .arg(totals.updated)
                       .arg(totals.identical);
    if (!totals.refused.isEmpty())
        text += QStringLiteral("\n不能导入的文件：%1（原因见“数据导入对照.txt”）。").arg(totals.refused.join(QStringLiteral("、")));
    return text;
}

Outcome finished(const Totals& totals, const QString& report) {
    if (totals.refused.isEmpty()) return Outcome::done(report);
    return Outcome::refused(QStringLiteral("不能导入的文件：") + totals.refused.join(QStringLiteral("、")), report);
}

// Reads and checks each chosen file as "数据导入" does. A file that cannot be
// read gets its refusal; true when some file can be read.
bool readFiles(db::Connection& connection, const QStringList& chosen, QList<FileComparison>& files,
               QList<ListedFile>& readable, QStringList& unreadable) {
    ui::ProgressSink& progress = ui::progress();
    progress.setCaption(kStep);
    progress.start(int(chosen.size()), 0);
    for (const QString& path : chosen) {
        const IncomingFile file(connection, kTable, path);
        FileComparison comparison{path, file.label(), {}, 0, 0, {}};
        if (!file.problem().isEmpty()) comparison.refusal = file.problem();
        else if (!file.sameColumns()) comparison.refusal = QStringLiteral("导入文件格式错误");
        if (comparison.refusal.isEmpty()) readable.append({path, file.label(), file.records()});
        else unreadable << path;
        files.append(comparison);
        progress.step();
    }
    progress.hide();
    return !readable.isEmpty();
}

Outcome updateFiles(WorkingDatabase& working, const QStringList& chosen, bool apply, QList<FileComparison>& files) {
    db::Connection& connection = working.connection;
    QList<ListedFile> readable;
    QStringList unreadable;
    if (!readFiles(connection, chosen, files, readable, unreadable)) {
        const QString refusal = chosen.size() == 1 ? files.constFirst().refusal
                                                   : QStringLiteral("所选的文件都不能读取，没有导入任何记录。");
        ui::showError(refusal);
        return Outcome::failed(refusal);
    }
    if (apply) {
        const QString question = chosen.size() == 1 ? labelQuestion(readable.constFirst().label)
                                                    : severalLabelsQuestion(readable, unreadable);
        if (!ui::askYesNo(question, labelQuestionTitle(), ui::AskStyle::Warning)) return Outcome::declined();
    }

    UpdateStaging staging(connection);
    ui::ProgressSink& progress = ui::progress();
    progress.start(int(files.size()), 0);
    for (FileComparison& comparison : files) {
        if (comparison.refusal.isEmpty()) {
            IncomingFile file(connection, kTable, comparison.path);
            if (file.problem().isEmpty()) comparison = staging.compare(file, comparison.path);
            else comparison.refusal = file.problem();
        }
        progress.step();
    }
    progress.hide();
    WriteComparisonReport(files);
    const QString report = ComparisonReportPath();
    openWithDefaultApplication(report);

    const Totals totals = totalsOf(files);
    if (!apply) {
        ui::showMessage(QStringLiteral("对照的结果：") + countsText(totals));
        return finished(totals, report);
    }
    if (totals.added + totals.updated == 0) {
        ui::showMessage(QStringLiteral("没有需要导入或更新的记录：") + countsText(totals));
        return finished(totals, report);
    }
    const QString backup = autoBackupsKept() > 0 ? QStringLiteral("更新之前先自动备份数据库文件。")
                                                 : QStringLiteral("自动备份已经关闭，更新之后不能恢复原来的数据。");
    if (!ui::askYesNo(QStringLiteral("准备导入") + countsText(totals) + QStringLiteral("\n\n") + backup
                          + QStringLiteral("确认导入新记录并更新不同的记录么？"),
                      labelQuestionTitle(), ui::AskStyle::Warning))
        return Outcome::declined();
    if (const QString reason = MakeAutoBackup(connection, kStep); !reason.isEmpty()) {
        ui::showError(autoBackupFailedMessage(reason));
        return Outcome::failed(reason);
    }
    staging.apply();
    working.announceRecordsChanged();
    ui::showMessage(QStringLiteral("更新导入完成：导入了新记录%1条，更新了记录%2条。").arg(totals.added).arg(totals.updated));
    return finished(totals, report);
}

} // namespace

Outcome UpdateImportFilesAt(WorkingDatabase& working, const QStringList& chosen, bool apply, QList<FileComparison>* compared) {
    QList<FileComparison> files;
    Outcome outcome;
    try {
        outcome = updateFiles(working, chosen, apply, files);
    } catch (const std::exception& e) {
        ui::progress().hide();
        const QString reason = QString::fromUtf8(e.what());
        ui::showError(kNothingChanged + reason);
        outcome = Outcome::failed(reason);
    }
    if (compared) *compared = files;
    return outcome;
}

void UpdateImportFiles(WorkingDatabase& working) {
    const QStringList chosen = ChooseImportFiles();
    if (!chosen.isEmpty()) UpdateImportFilesAt(working, chosen, true);
}
