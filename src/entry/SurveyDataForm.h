#pragma once

#include "core/FieldRules.h"
#include "db/RecordSet.h"
#include "entry/CodeList.h"

#include <QDialog>
#include <QHash>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QStackedWidget;
class QTabBar;
class QTextBrowser;
class QToolButton;
class TButtonEdit;
class TMessageListWinForm;
class TNumericEdit;
class TQuValidEdit;

// "基层以上单位数据": one survey return as the printed form, a cover page and
// thirteen data pages built from the field metadata, with the commands that
// hold, save, check and print it and the navigation over the caller's list.
class TdlgSurveyDataForm final : public QDialog {
    Q_OBJECT
public:
    // Works on `connection`, which outlives the dialog. The dialog owns its error list.
    explicit TdlgSurveyDataForm(db::Connection& connection, QWidget* parent = nullptr);
    ~TdlgSurveyDataForm() override;

    // Set by the caller before showing.
    void setAddMode(bool add) { addMode_ = add; }
    bool addMode() const { return addMode_; }
    void setRecordList(db::RecordSet* list) { list_ = list; }
    const db::RecordSet* recordList() const { return list_; }
    void setPrintCode(qint64 code) { printCode_ = code; }
    // Once shown, the dialog turns to `page` and focuses `field`, as a double
    // click on a finding of the error list does (the next showing only).
    void setStartField(int page, const QString& field) { startField_ = {page, field}; }
    // The record print; until one is set, printing stays disabled.
    void setPrinter(std::function<void(qint64)> print) { print_ = std::move(print); }

    // Places the dialog, loads the record (or prepares a new one) and shows it modally.
    int exec() override;
    // The same steps without the modal loop (tests show the dialog themselves).
    void prepareToShow();

    // The control of a dt_data column, by name in any letter case; nullptr when none.
    QWidget* control(const QString& name) const;
    TNumericEdit* numberField(const QString& name) const;
    TQuValidEdit* textField(const QString& name) const;
    TButtonEdit* cityNameCtrl() const { return cityName_; }
    TButtonEdit* levelName() const { return levelName_; }
    TButtonEdit* stateName() const { return stateName_; }
    QToolButton* button(const QString& name) const;  // tbHold, tbSave, tbAdd, tbCheck, tbPrint, tbReturn
    QAction* navigation(const QString& name) const;  // actFirst, actPrev, actNext, actLast
    QLabel* itemNo() const { return itemNo_; }
    QWidget* navBar() const { return navBar_; }
    QTextBrowser* notes() const { return notes_; }
    TMessageListWinForm* errorList() const { return errorList_; }
    qint64 currentRecordCode() const { return currentCode_; }

    int currentPage() const;
    // Turns the page through the page-change procedure; false when it refused.
    bool turnToPage(int page);

    void LoadRecord();
    qint64 NewRecordCode();
    void ApplyLevelRules(int level);
    void ApplyReportingState(int state);
    bool ValidateCover();
    bool CheckPage(int page, bool clear);
    void CheckAllPages();
    // The field reached by these has its whole text selected, so typing replaces it.
    // On the last field of the last page the next field is the save command,
    // unless `saveAtEnd` is false (the mouse wheel).
    void FocusNextField(QWidget* from, bool saveAtEnd = true);
    void FocusPreviousField(QWidget* from);
    void FocusFirstField();
    void LoadNotes(const QString& name);

    // The commands.
    void holdRecord();
    void saveRecord();
    void checkRecord();
    void printRecord();
    void returnToCaller();
    enum class Step { First, Previous, Next, Last };
    void moveTo(Step step);

    // Turns to a finding's page and focuses its field, checking the new page.
    void goToField(int page, const QString& field);

    // The value of a field for the rule expressions.
    std::optional<double> fieldValue(const QString& name) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One field of the metadata with its input control (none for columns without one).
    struct Field {
        QString name;
        int id = 0;
        FieldRule rule;  // what the field may hold
        int page = -1;
        QString hint;
        QString levelRule;  // DT_FieldList.Rule: the levels that fill the field
        TNumericEdit* number = nullptr;
        TQuValidEdit* text = nullptr;
        QWidget* control() const;
    };
    void buildPages();
    QWidget* buildCover();
    QWidget* buildDataPage(int page);
    void buildCommands();
    void ContentChange();
    // Which commands may run; the buttons show it.
    struct Commands {
        bool hold = false;
        bool save = false;  // tbSave and tbAdd
        bool check = true;
        bool print = false;
    };
    void setCommands(Commands commands);
    void setUnsaved(bool hold, bool save);
    bool save(bool withChecks);
    // Runs the steps of a hold or save; a database error on the way is shown
    // as a save that wrote nothing. True when the steps wrote the record.
    bool writeSteps(const std::function<bool()>& steps);
    void writeRecord(RecordState state);
    bool closeProcedure();
    void afterWrite();
    bool exitCheck(QWidget* field, bool showMessages);
    // A message box, an error box when `error` is set.
    void message(const QString& text, bool error = false);
    void updateNavigation();
    void setPage(int page);
    QList<QWidget*> pageInputs(int page) const;
    Field* fieldOf(QWidget* control) const;

    std::vector<Field> fields_;  // in the order of "sequence"
    QHash<QString, Field*> fieldByName_;            // lower-case column name -> its field
    QHash<const QObject*, Field*> fieldByControl_;  // input control -> its field
    db::Connection& connection_;
    TMessageListWinForm* errorList_;
    db::RecordSet* list_ = nullptr;
    db::RecordSet row_;
    bool addMode_ = false;
    qint64 printCode_ = 0;
    Commands commands_;
    bool newRowWritten_ = false;
    bool loaded_ = false;
    bool navigating_ = false;
    bool inExitCheck_ = false;
    qint64 currentCode_ = 0;
    TMenuItemDataArray levels_;
    TMenuItemDataArray states_;
    std::function<void(qint64)> print_;
    std::optional<std::pair<int, QString>> startField_;

    QTabBar* tabs_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QTextBrowser* notes_ = nullptr;
    TButtonEdit* cityName_ = nullptr;
    TButtonEdit* levelName_ = nullptr;
    TButtonEdit* stateName_ = nullptr;
    QWidget* navBar_ = nullptr;
    QLabel* itemNo_ = nullptr;
    std::vector<QList<QWidget*>> pageInputs_;  // input controls of each page in tab order
};
