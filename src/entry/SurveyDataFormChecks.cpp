#include "entry/SurveyDataForm.h"

#include "core/InputMethod.h"
#include "core/Settings.h"
#include "core/TextEncoding.h"
#include "checks/BuiltinRules.h"
#include "checks/Expression.h"
#include "checks/MessageListWin.h"
#include "checks/RuleText.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "entry/ButtonEdit.h"
#include "entry/CoverRules.h"
#include "entry/NumericEdit.h"
#include "entry/PageTitles.h"
#include "entry/QuValidEdit.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <QStackedWidget>
#include <QTabBar>

// The checks of the entry dialog (the exit checks and the whole cover, the
// page checks) and the movement between fields and pages.

// ---------------------------------------------------------------- validation

bool TdlgSurveyDataForm::exitCheck(QWidget* field, bool showMessages) {
    Field* f = fieldOf(field);
    if (!f) return true;
    const QString& name = f->name;
    auto failWith = [&](const QString& text) {
        if (showMessages) {
            message(text);
            field->setFocus();
        }
        return false;
    };
    if (name == QLatin1String("c901")) {
        const QString typed = f->number->plainText();
        if (typed.isEmpty()) return failWith(QStringLiteral("必须输入工会统计编码"));
        if (typed.size() != 12) return failWith(QStringLiteral("工会统计编码必须为12位"));
        return true;
    }
    if (!loaded_ && showMessages) return true;
    if (f->text) {
        const QString cut = cutToByteLimit(f->text->text(), f->text->byteLimit());
        if (cut != f->text->text()) f->text->setText(cut);
        const QString trimmed = cut.trimmed();
        if (name == QLatin1String("c902") && trimmed.isEmpty()) return failWith(QStringLiteral("必须输入本级工会名称"));
        if (name == QLatin1String("c905")) {
            if (trimmed.isEmpty()) return failWith(QStringLiteral("必须输入填表人"));
            if (HasLatinOrDigit(trimmed)) return failWith(QStringLiteral("填表人必须为汉字"));
        }
        if (name == QLatin1String("c906")) {
            if (trimmed.isEmpty()) return failWith(QStringLiteral("必须输入联系电话"));
            if (!TelephoneLengthOk(cut)) return failWith(QStringLiteral("联系电话必须是真实有效的7位、8位(可加区号)或11位!"));
        }
        return true;
    }
    const int code = int(f->number->value());
    if (name == QLatin1String("c903")) {
        const QString division = LookupDivisionName(connection_, code);
        if (division.isEmpty()) return failWith(QStringLiteral("输入的行政区划代码错误，请重新输入，或用对话框选择"));
        cityName_->setText(division);
        cityName_->setTag(code);
    } else if (name == QLatin1String("c904")) {
        const QString level = FindCodeName(levels_, code);
        if (level.isEmpty()) return failWith(QStringLiteral("输入的本级工会层次代码不合法，请重新输入或通过列表选择"));
        levelName_->setText(level);
        levelName_->setTag(code);
        ApplyLevelRules(code);
    } else if (name == QLatin1String("c907")) {
        const QString state = FindCodeName(states_, code);
        if (state.isEmpty()) return failWith(QStringLiteral("输入的填报状态代码不合法，请重新输入或通过列表选择"));
        stateName_->setText(state);
        stateName_->setTag(code);
        ApplyReportingState(code);
    }
    return true;
}

bool TdlgSurveyDataForm::ValidateCover() {
    CoverValues cover;
    cover.code = numberField(QStringLiteral("c901"))->plainText();
    cover.name = textField(QStringLiteral("c902"))->text();
    cover.division = int(numberField(QStringLiteral("c903"))->value());
    cover.level = int(numberField(QStringLiteral("c904"))->value());
    cover.state = int(numberField(QStringLiteral("c907"))->value());
    cover.filler = textField(QStringLiteral("c905"))->text();
    cover.telephone = textField(QStringLiteral("c906"))->text();
    const std::optional<CoverFailure> failure =
        CheckCover(connection_, cover, levels_, states_, currentCode_, addMode_);
    if (!failure) return true;
    inExitCheck_ = true;
    message(failure->message);
    if (failure->duplicateCode) {
        setUnsaved(false, false);
        setPage(0);
    }
    control(failure->field)->setFocus();
    inExitCheck_ = false;
    return false;
}

// ---------------------------------------------------------------- pages and checks

void TdlgSurveyDataForm::setPage(int page) {
    pages_->setCurrentIndex(page);
    tabs_->setCurrentIndex(page);
}

bool TdlgSurveyDataForm::turnToPage(int page) {
    if (page < 0 || page >= kEntryPageCount) return false;
    const int leaving = currentPage();
    if (loaded_ && numberField(QStringLiteral("c907"))->value() < 3) {
        errorList_->clearList();
        bool runChecks = true;
        if (leaving == 0) {
            if (!ValidateCover()) return false;
            runChecks = navigating_;
        }
        if (runChecks) {
            CheckPage(page, true);
            if (leaving >= 1) CheckPage(leaving, false);
        }
    }
    setPage(page);
    LoadNotes(QStringLiteral("TableNotesQV-%1").arg(page, 2, 10, QLatin1Char('0')));
    FocusFirstField();
    return true;
}

bool TdlgSurveyDataForm::CheckPage(int page, bool clear) {
    if (page < 1 || page > 14) return false;
    if (clear) errorList_->clearList();
    db::Connection& connection = connection_;
    const FieldValueLookup lookup = [this](const QString& name) { return fieldValue(name); };
    db::Statement rules(connection, QStringLiteral("select expression, rule, explain, focus from dt_logic where page_id=?"));
    rules.bind(1, page);
    while (rules.next()) {
        const QString expression = rules.text(0);
        try {
            if (EvaluateExpression(connection, expression, lookup))
                errorList_->addFinding(rules.text(1), Parse(connection_, rules.text(2)), rules.text(3), page);
        } catch (const db::Error&) {
            message(expression);
            break;
        }
    }
    if (!errorList_->isEmptyList()) errorList_->showList();
    return errorList_->isEmptyList();
}

void TdlgSurveyDataForm::CheckAllPages() {
    CheckPage(1, true);
    for (int page = 2; page <= 14; ++page) CheckPage(page, false);
}

QList<QWidget*> TdlgSurveyDataForm::pageInputs(int page) const { return pageInputs_[size_t(page)]; }

void TdlgSurveyDataForm::FocusNextField(QWidget* from, bool saveAtEnd) {
    const int page = currentPage();
    const QList<QWidget*> inputs = pageInputs(page);
    for (qsizetype i = from ? inputs.indexOf(from) + 1 : 0; i < inputs.size(); ++i) {
        if (inputs[i]->isEnabled() && inputs[i]->isVisibleTo(this)) {
            inputs[i]->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    if (page < kEntryPageCount - 1) turnToPage(page + 1);
    else if (saveAtEnd) saveRecord();
}

void TdlgSurveyDataForm::FocusPreviousField(QWidget* from) {
    const int page = currentPage();
    const QList<QWidget*> inputs = pageInputs(page);
    for (qsizetype i = (from ? inputs.indexOf(from) : inputs.size()) - 1; i >= 0; --i) {
        if (inputs[i]->isEnabled() && inputs[i]->isVisibleTo(this)) {
            inputs[i]->setFocus(Qt::BacktabFocusReason);
            return;
        }
    }
    const int previous = page == 0 ? kEntryPageCount - 1 : page - 1;
    if (!turnToPage(previous)) return;
    const QList<QWidget*> there = pageInputs(previous);
    for (qsizetype i = there.size() - 1; i >= 0; --i)
        if (there[i]->isEnabled()) {
            there[i]->setFocus(Qt::BacktabFocusReason);
            return;
        }
}

void TdlgSurveyDataForm::FocusFirstField() {
    for (QWidget* input : pageInputs(currentPage()))
        if (input->isEnabled()) {
            input->setFocus(Qt::TabFocusReason);
            return;
        }
}


// ---------------------------------------------------------------- keys and exit checks

namespace {

// True when the focus moved because the window lost or regained it (a message
// box, a pop-up, another program) rather than because the clerk moved on.
bool windowFocusReason(const QEvent* event) {
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

} // namespace

bool TdlgSurveyDataForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::Wheel && type != QEvent::FocusOut && type != QEvent::FocusIn)
        return QDialog::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    Field* f = fieldOf(widget);
    if (!f) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Down:
            FocusNextField(widget);
            return true;
        case Qt::Key_Up:
            FocusPreviousField(widget);
            return true;
        default: break;
        }
    } else if (event->type() == QEvent::Wheel) {
        // A turn over a field moves from the field that has the focus like the
        // arrow keys, but never saves. (Elsewhere the page or the notes scroll.)
        QWidget* focus = focusWidget();
        const int turn = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (fieldOf(focus) && turn < 0) FocusNextField(focus, false);
        else if (fieldOf(focus) && turn > 0) FocusPreviousField(focus);
        return true;
    } else if (event->type() == QEvent::FocusIn) {
        // The fields that take Chinese text switch the input method on when the
        // clerk moves to them; coming back from a message box is no such move.
        if (f->text && !windowFocusReason(event)) SwitchInputMethodOn(preferredInputMethod());
    } else if (event->type() == QEvent::FocusOut && f->page == 0 && !inExitCheck_) {
        // Leaving the window (a message box, another program) is no leaving of the field.
        if (!windowFocusReason(event) && isVisible()) {
            inExitCheck_ = true;
            exitCheck(widget, true);
            inExitCheck_ = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}
