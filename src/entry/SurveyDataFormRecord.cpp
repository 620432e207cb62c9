#include "entry/SurveyDataForm.h"

#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/TextEncoding.h"
#include "checks/BuiltinRules.h"
#include "checks/MessageListWin.h"
#include "db/Connection.h"
#include "entry/ButtonEdit.h"
#include "entry/CoverRules.h"
#include "entry/LevelRule.h"
#include "entry/NumericEdit.h"
#include "entry/PageTitles.h"
#include "entry/QuValidEdit.h"
#include "entry/RtfReader.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QTextBrowser>
#include <QToolButton>

// The record lifecycle of the entry dialog: opening, loading, the level and
// reporting-state rules, and the commands that hold, save, check, print,
// close and move over the record list.

// ---------------------------------------------------------------- opening and loading

void TdlgSurveyDataForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window restored from the taskbar keeps its focus where the clerk left it.
    if (event->spontaneous()) return;
    // Only a visible dialog can hand its focus on; the code is where a clerk starts,
    // unless the caller named a field to go to, once the dialog runs.
    control(QStringLiteral("c901"))->setFocus();
    if (!startField_) return;
    const auto [page, field] = *startField_;
    startField_.reset();
    QMetaObject::invokeMethod(this, [this, page, field] { goToField(page, field); }, Qt::QueuedConnection);
}

int TdlgSurveyDataForm::exec() {
    prepareToShow();
    const int result = QDialog::exec();
    errorList_->hide();
    return result;
}

void TdlgSurveyDataForm::prepareToShow() {
    move(10, 2);
    levels_ = LoadCodeList(connection_, QStringLiteral("CT_LevelCode"));
    states_ = LoadCodeList(connection_, QStringLiteral("CT_state"));
    LoadRecord();
    Commands commands = commands_;
    commands.print = !addMode_ && static_cast<bool>(print_);
    setCommands(commands);
    itemNo_->setVisible(!addMode_);
}

qint64 TdlgSurveyDataForm::NewRecordCode() {
    return qint64(db::variantToReal(connection_.scalar(QStringLiteral("SELECT MAX(c901)+1 as NSI FROM dt_data"))));
}

void TdlgSurveyDataForm::LoadRecord() {
    loaded_ = false;
    // The findings of the record shown before do not belong to this one.
    errorList_->clearList();
    db::Connection& connection = connection_;
    const bool hasRow = list_ && list_->isOpen() && !list_->isEmpty() && !list_->atEnd() && list_->position() >= 0;
    const qint64 listCode = hasRow ? list_->integer(QStringLiteral("c901")) : 0;
    row_.open(connection, QStringLiteral("SELECT * from dt_data Where c901=:ReocrdID"), {listCode});
    row_.setUpdateTable(QStringLiteral("dt_data"), QStringLiteral("c901"));

    if (addMode_) {
        newRowWritten_ = false;
        currentCode_ = 0;
        for (Field& f : fields_) {
            if (f.text) f.text->clear();
            if (f.number) f.number->setValue(0);
        }
        numberField(QStringLiteral("c901"))->setValue(double(NewRecordCode()));
        const int city = ReadSettingInteger(QStringLiteral("AppLastCity"), 0, SettingsRoot::LocalMachine, environmentKey());
        numberField(QStringLiteral("c903"))->setValue(city);
        cityName_->setTag(city);
        cityName_->setText(LookupDivisionName(connection, city));
        numberField(QStringLiteral("c904"))->setValue(10);
        levelName_->setTag(10);
        levelName_->setText(FindCodeName(levels_, 10));
        numberField(QStringLiteral("c907"))->setValue(0);
        stateName_->setTag(0);
        stateName_->clear();
        textField(QStringLiteral("c905"))->setText(ReadSettingText(QStringLiteral("c905"), {}, SettingsRoot::LocalMachine, dataKey()));
        textField(QStringLiteral("c906"))->setText(ReadSettingText(QStringLiteral("c906"), {}, SettingsRoot::LocalMachine, dataKey()));
    } else {
        currentCode_ = row_.isEmpty() ? 0 : row_.integer(QStringLiteral("c901"));
        for (Field& f : fields_) {
            if (!f.control() || row_.isEmpty() || row_.fieldIndex(f.name) < 0) continue;
            if (f.text) f.text->setText(row_.text(f.name));
            else if (f.rule.kind == FieldRule::Kind::Decimal) f.number->setValue(row_.real(f.name));
            else f.number->setValue(double(row_.integer(f.name)));
        }
        for (const char* name : {"c903", "c904", "c907"}) exitCheck(control(QLatin1String(name)), false);
    }
    // The reporting state of the record's own c907, which applies the level rules.
    ApplyReportingState(int(numberField(QStringLiteral("c907"))->value()));
    setPage(0);
    LoadNotes(QStringLiteral("TableNotesQV-00"));
    if (isVisible()) control(QStringLiteral("c901"))->setFocus();
    if (!list_ || list_->rowCount() < 2) {
        itemNo_->setText(QStringLiteral("第1条/共1条"));
        navBar_->setVisible(false);
    } else {
        itemNo_->setText(QStringLiteral("第%1条/共%2条").arg(list_->position() + 1).arg(list_->rowCount()));
        navBar_->setVisible(!addMode_);
    }
    button(QStringLiteral("tbAdd"))->setVisible(addMode_);
    button(QStringLiteral("tbSave"))->setVisible(!addMode_);
    setUnsaved(false, false);
    updateNavigation();
    loaded_ = true;
}

void TdlgSurveyDataForm::updateNavigation() {
    const bool rows = list_ && list_->isOpen() && list_->rowCount() > 0;
    const bool atFirst = !rows || list_->position() <= 0;
    const bool atLast = !rows || list_->position() >= list_->rowCount() - 1;
    navigation(QStringLiteral("actFirst"))->setEnabled(!atFirst);
    navigation(QStringLiteral("actPrev"))->setEnabled(!atFirst);
    navigation(QStringLiteral("actNext"))->setEnabled(!atLast);
    navigation(QStringLiteral("actLast"))->setEnabled(!atLast);
}

void TdlgSurveyDataForm::LoadNotes(const QString& name) {
    notes_->clear();
    QFile file(programFolder() + QStringLiteral("notes/") + name + QStringLiteral(".rtf"));
    if (file.open(QIODevice::ReadOnly)) notes_->setHtml(rtfToHtml(file.readAll()));
}

// ---------------------------------------------------------------- level and state

void TdlgSurveyDataForm::ApplyLevelRules(int level) {
    numberField(QStringLiteral("c904"))->setValue(level);
    if (numberField(QStringLiteral("c907"))->value() >= 3) return;
    for (Field& f : fields_) {
        if (!f.control() || f.levelRule.isEmpty()) continue;
        const bool allowed = MatchLevelRule(level, f.levelRule);
        f.control()->setEnabled(allowed);
        if (allowed) continue;
        if (f.text) f.text->clear();
        else f.number->setValue(0);
    }
}

void TdlgSurveyDataForm::ApplyReportingState(int state) {
    numberField(QStringLiteral("c907"))->setValue(state);
    const bool reports = state < 3;
    Commands commands = commands_;
    commands.check = commands.hold = reports;
    setCommands(commands);
    if (!reports) errorList_->clearList();
    // The 205 indicators z001 … y012: the columns the rule set reads after c901 and c904.
    const auto& columns = ruleColumnNames();
    for (auto name = columns.begin() + 2; name != columns.end(); ++name) {
        TNumericEdit* e = numberField(*name);
        if (!e) continue;
        e->setEnabled(reports);
        if (!reports) e->setValue(0);
    }
    if (reports) ApplyLevelRules(int(numberField(QStringLiteral("c904"))->value()));
}


// ---------------------------------------------------------------- commands

void TdlgSurveyDataForm::writeRecord(RecordState state) {
    try {
        if (!addMode_ || newRowWritten_) {
            if (row_.isEmpty()) throw db::Error(QStringLiteral("记录已不存在"));
            row_.edit();
        } else {
            row_.append();
        }
        for (const Field& f : fields_) {
            if (!f.control() || row_.fieldIndex(f.name) < 0) continue;
            if (f.text) {
                // Within the column's limit also when the text came in longer (an import).
                row_.setValue(f.name, cutToByteLimit(f.text->text(), f.text->byteLimit()).trimmed());
            } else if (f.rule.kind == FieldRule::Kind::Decimal) {
                row_.setValue(f.name, f.number->value());
            } else {
                row_.setValue(f.name, f.rule.stored(qint64(std::llround(f.number->value()))));
            }
        }
        row_.setValue(QStringLiteral("RecordState"), int(state));
        row_.post();
        currentCode_ = row_.integer(QStringLiteral("c901"));
    } catch (...) {
        row_.cancel();
        throw;
    }
}

bool TdlgSurveyDataForm::writeSteps(const std::function<bool()>& steps) {
    try {
        return steps();
    } catch (const db::Error& e) {
        // The file locked by another program, or any other failure of the engine on
        // the way: nothing is written, the typed values stay, the next save tries again.
        message(QStringLiteral("保存过程中遇到错误：") + e.message() + QStringLiteral("数据没有被保存。请与软件发行者联系。"), true);
        return false;
    }
}

void TdlgSurveyDataForm::afterWrite() {
    // The list is read again and returns to the row it was on. When the file is
    // locked just then, it keeps the rows it showed; the caller runs it again.
    // Then the windows that show records learn that one changed.
    if (list_ && list_->isOpen()) {
        try {
            list_->requery(QStringLiteral("c901"));
        } catch (const db::Error&) {
        }
    }
    workingDatabase().announceRecordsChanged();
}

void TdlgSurveyDataForm::holdRecord() {
    const bool written = writeSteps([this] {
        if (!ValidateCover()) return false;
        writeRecord(RecordState::Held);
        return true;
    });
    if (!written) return;
    afterWrite();
    newRowWritten_ = true;
    setUnsaved(false, commands_.save);
    message(QStringLiteral("数据已经被临时保存。"));
}

void TdlgSurveyDataForm::saveRecord() { save(true); }

bool TdlgSurveyDataForm::save(bool withChecks) {
    bool clean = true;
    const bool written = writeSteps([&] {
        if (!ValidateCover()) return false;
        if (withChecks && numberField(QStringLiteral("c907"))->value() <= 2) CheckAllPages();
        clean = errorList_->isEmptyList();
        writeRecord(clean ? RecordState::Saved : RecordState::SavedWithErrors);
        return true;
    });
    if (!written) return false;
    afterWrite();
    setUnsaved(false, false);
    newRowWritten_ = false;
    message(clean ? QStringLiteral("数据保存成功，没有逻辑错误！") : QStringLiteral("数据保存成功，有逻辑错误！"));
    WriteSettingInteger(QStringLiteral("AppLastCity"), int(numberField(QStringLiteral("c903"))->value()),
                        SettingsRoot::LocalMachine, environmentKey());
    WriteSettingText(QStringLiteral("c905"), textField(QStringLiteral("c905"))->text(), SettingsRoot::LocalMachine, dataKey());
    WriteSettingText(QStringLiteral("c906"), textField(QStringLiteral("c906"))->text(), SettingsRoot::LocalMachine, dataKey());
    if (addMode_) LoadRecord();
    return true;
}

void TdlgSurveyDataForm::checkRecord() {
    if (!ValidateCover()) return;
    CheckAllPages();
    if (errorList_->isEmptyList()) {
        message(QStringLiteral("没有逻辑错误"));
        errorList_->hide();
    } else {
        errorList_->showList();
        FocusFirstField();
    }
}

void TdlgSurveyDataForm::printRecord() {
    if (print_) print_(printCode_);
}

void TdlgSurveyDataForm::returnToCaller() {
    setUnsaved(commands_.hold, false);
    close();
}

bool TdlgSurveyDataForm::closeProcedure() {
    if (commands_.save && commands_.hold) {
        errorList_->setStaysOnTop(false);
        const bool yes = ui::askYesNo(QStringLiteral("对数据改动后尚未保存，准备保存这些改动吗？"));
        errorList_->setStaysOnTop(true);
        if (yes) {
            if (!ValidateCover()) return false;
            if (numberField(QStringLiteral("c907"))->value() <= 2) CheckAllPages();
            const bool clean = errorList_->isEmptyList();
            errorList_->hide();
            if (clean) save(false);
            else holdRecord();
            return true;
        }
    }
    errorList_->hide();
    return true;
}

void TdlgSurveyDataForm::closeEvent(QCloseEvent* event) {
    if (closeProcedure()) event->accept();
    else event->ignore();
}

void TdlgSurveyDataForm::reject() { close(); }

void TdlgSurveyDataForm::moveTo(Step step) {
    if (!list_ || !list_->isOpen() || !closeProcedure()) return;
    switch (step) {
    case Step::First: list_->first(); break;
    case Step::Previous: list_->previous(); break;
    case Step::Next: list_->next(); break;
    case Step::Last: list_->last(); break;
    }
    if (list_->atEnd()) list_->last();
    if (list_->position() < 0) list_->first();
    LoadRecord();
}

