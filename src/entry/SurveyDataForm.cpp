#include "entry/SurveyDataForm.h"

#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Settings.h"
#include "core/TextEncoding.h"
#include "checks/BuiltinRules.h"
#include "checks/Expression.h"
#include "checks/MessageListWin.h"
#include "checks/RuleText.h"
#include "db/Connection.h"
#include "db/Statement.h"
#include "entry/ButtonEdit.h"
#include "entry/CityNameForm.h"
#include "entry/CoverRules.h"
#include "entry/LevelRule.h"
#include "entry/NumericEdit.h"
#include "entry/PageTitles.h"
#include "entry/QuValidEdit.h"
#include "entry/RtfReader.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kQuotes = QStringLiteral("'\"`");
const QString kFillerForbidden = QStringLiteral(".0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

QLabel* codeLabel(const QString& code, QWidget* parent) {
    auto* label = new QLabel(code, parent);
    label->setStyleSheet(QStringLiteral("color: #5a6a85; font-size: 7pt;"));
    label->setFixedHeight(11);
    return label;
}

} // namespace

QWidget* TdlgSurveyDataForm::Field::control() const {
    return number ? static_cast<QWidget*>(number) : static_cast<QWidget*>(text);
}

TdlgSurveyDataForm::TdlgSurveyDataForm(db::Connection& connection, QWidget* parent)
    : QDialog(parent), connection_(connection), errorList_(new TMessageListWinForm(this)) {
    setWindowTitle(QStringLiteral("基层以上单位数据"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(995, 744);
    // The wheel scrolls the notes and pages; over a field it moves as eventFilter says.
    setProperty("handlesWheel", true);
    buildPages();
    buildCommands();
    connect(errorList_, &TMessageListWinForm::findingActivated, this, &TdlgSurveyDataForm::goToField);
    auto* hold = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(hold, &QShortcut::activated, this, &TdlgSurveyDataForm::holdRecord);
}

TdlgSurveyDataForm::~TdlgSurveyDataForm() = default;

void TdlgSurveyDataForm::goToField(int page, const QString& field) {
    if (navigating_ || !isVisible()) return;
    navigating_ = true;
    // A finding of the page shown only moves the focus; another page is turned to first.
    if (page == currentPage() || (page < kEntryPageCount && turnToPage(page))) {
        QWidget* target = control(field);
        if (target && target->isEnabled()) target->setFocus();
    }
    // The clerk types on in the field, not in a list just clicked.
    activateWindow();
    navigating_ = false;
}

void TdlgSurveyDataForm::buildPages() {
    db::Statement rows(connection_,
                       QStringLiteral("SELECT FieldName, ID, QueryType, PageID, Hint, Rule FROM DT_FieldList ORDER BY sequence, ID"));
    while (rows.next()) {
        Field f;
        f.name = rows.text(0);
        f.id = int(rows.integer(1));
        f.rule = fieldRule(f.name, f.id, int(rows.integer(2)));
        f.page = int(rows.integer(3));
        f.hint = rows.text(4);
        f.levelRule = rows.text(5).trimmed();
        fields_.push_back(f);
    }

    tabs_ = new QTabBar(this);
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setFocusPolicy(Qt::NoFocus);
    tabs_->setExpanding(false);
    pages_ = new QStackedWidget(this);
    pageInputs_.resize(kEntryPageCount);
    for (int page = 0; page < kEntryPageCount; ++page) {
        tabs_->addTab(entryPage(page).tab);
        QWidget* content = page == 0 ? buildCover() : buildDataPage(page);
        auto* scroll = new QScrollArea(pages_);
        scroll->setWidget(content);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        pages_->addWidget(scroll);
    }
    // A tab chosen by the user asks the page-change procedure; when it refuses,
    // the tab of the page still shown is marked again.
    connect(tabs_, &QTabBar::currentChanged, this, [this](int page) {
        if (page == currentPage()) return;
        if (!turnToPage(page)) tabs_->setCurrentIndex(currentPage());
    });

    notes_ = new QTextBrowser(this);
    notes_->setObjectName(QStringLiteral("rtfNotes"));
    notes_->setFocusPolicy(Qt::NoFocus);
    notes_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette notesPalette = notes_->palette();
    notesPalette.setColor(QPalette::Base, notesPalette.color(QPalette::ToolTipBase));
    notes_->setPalette(notesPalette);
    notes_->setFixedHeight(118);

    for (Field& f : fields_) {
        fieldByName_.insert(f.name.toLower(), &f);
        QWidget* c = f.control();
        if (!c) continue;
        fieldByControl_.insert(c, &f);
        c->installEventFilter(this);
        if (f.number) connect(f.number, &TNumericEdit::contentChanged, this, &TdlgSurveyDataForm::ContentChange);
        if (f.text) connect(f.text, &QLineEdit::textChanged, this, &TdlgSurveyDataForm::ContentChange);
    }
    for (TButtonEdit* e : {cityName_, levelName_, stateName_})
        connect(e, &QLineEdit::textChanged, this, &TdlgSurveyDataForm::ContentChange);
}

QWidget* TdlgSurveyDataForm::buildCover() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 12, 24, 12);

    auto* header = new QHBoxLayout;
    auto* notice = new QLabel(
        // The same words as the cover of the printed form (data/printform.csv).
        QStringLiteral("《中华人民共和国统计法》第七条规定：国家机关、企业事业单位和其他组织以及个体工商户和个人等统计调查对象，"
                       "必须依照本法和国家有关规定，真实、准确、完整、及时地提供统计调查所需的资料，"
                       "不得提供不真实或者不完整的统计资料，不得迟报、拒报统计资料。"),
        page);
    notice->setWordWrap(true);
    notice->setMaximumWidth(540);
    notice->setStyleSheet(QStringLiteral("color: #303a4a;"));
    auto* block = new QLabel(QStringLiteral("表    号：NB_QV\n制定机关：本调查的全国主管机关\n批准机关：国家统计主管部门\n"
                                            "批准文号：见批准文件\n有效期至：见批准文件"),
                             page);
    block->setStyleSheet(QStringLiteral("border: 1px solid #8090a8; padding: 6px;"));
    header->addWidget(notice, 1, Qt::AlignTop);
    header->addWidget(block, 0, Qt::AlignTop | Qt::AlignRight);
    layout->addLayout(header);

    auto* title = new QLabel(QStringLiteral("2019年度基层以上工会调查表"), page);
    QFont titleFont = title->font();
    titleFont.setPointSize(20);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    layout->addSpacing(10);
    layout->addWidget(title);
    layout->addSpacing(14);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(12);
    // The cover's limits are the rules of its metadata rows.
    auto ruleOf = [&](const QString& name, int queryType) {
        for (const Field& f : fields_)
            if (f.name.compare(name, Qt::CaseInsensitive) == 0) return f.rule;
        return fieldRule(name, 0, queryType);
    };
    auto number = [&](const QString& name, TNumericEdit::Format format) {
        auto* e = new TNumericEdit(page);
        e->setObjectName(name);
        const FieldRule rule = ruleOf(name, 0);
        e->setLimits(rule.minimum, rule.maximum, rule.maxLength, false);
        e->setFormat(format);
        e->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return e;
    };
    // The limits of the text columns are GB18030 bytes. No quotes in the texts.
    auto text = [&](const QString& name) {
        auto* e = new TQuValidEdit(page);
        e->setObjectName(name);
        const int maxBytes = ruleOf(name, 1).maxLength;
        e->setMaxLength(maxBytes);
        e->setByteLimit(maxBytes);
        e->setCheckType(TQuValidEdit::tcForbid);
        e->setForbidChars(kQuotes);
        return e;
    };
    auto buttonEdit = [&](const QString& name, const QString& hint) {
        auto* e = new TButtonEdit(page);
        e->setObjectName(name);
        e->setToolTip(hint);
        return e;
    };
    TNumericEdit* c901 = number(QStringLiteral("c901"), TNumericEdit::Format::Plain);
    c901->setBlankValue(1);
    TQuValidEdit* c902 = text(QStringLiteral("c902"));
    TNumericEdit* c903 = number(QStringLiteral("c903"), TNumericEdit::Format::SixDigits);
    c903->setToolTip(QStringLiteral("输入本级工会行政区划代码"));
    TNumericEdit* c904 = number(QStringLiteral("c904"), TNumericEdit::Format::Plain);
    c904->setToolTip(QStringLiteral("输入本级工会层次代码"));
    c904->setBlankValue(10);
    TNumericEdit* c907 = number(QStringLiteral("c907"), TNumericEdit::Format::Plain);
    TQuValidEdit* c905 = text(QStringLiteral("c905"));
    // The filler, written in Chinese, takes no digits, Latin letters or ".".
    c905->setForbidChars(kQuotes + kFillerForbidden);
    TQuValidEdit* c906 = text(QStringLiteral("c906"));
    // The telephone takes digits and "-" only.
    c906->setCheckType(TQuValidEdit::tcValidate);
    c906->setValidChars(QStringLiteral("0123456789-"));
    cityName_ = buttonEdit(QStringLiteral("CityNameCtrl"), QStringLiteral("选择本级工会所在地行政区划"));
    levelName_ = buttonEdit(QStringLiteral("LevelName"), QStringLiteral("本级工会层次"));
    stateName_ = buttonEdit(QStringLiteral("StateName"), QString());

    auto row = [&](int r, const QString& label, QWidget* field, QWidget* beside = nullptr) {
        grid->addWidget(new QLabel(label, page), r, 0, Qt::AlignRight);
        grid->addWidget(field, r, 1);
        if (beside) grid->addWidget(beside, r, 2);
    };
    row(0, QStringLiteral("901. 本级工会统计编码："), c901);
    row(1, QStringLiteral("902. 本级工会名称："), c902);
    row(2, QStringLiteral("903. 本级工会所在地行政区划代码："), c903, cityName_);
    row(3, QStringLiteral("904. 本级工会层次代码："), c904, levelName_);
    row(4, QStringLiteral("907. 基层以上工会本年度的填报状态："), c907, stateName_);
    row(5, QStringLiteral("填 表 人："), c905);
    row(6, QStringLiteral("联系电话："), c906);
    grid->setColumnMinimumWidth(1, 200);
    grid->setColumnMinimumWidth(2, 320);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addStretch();

    const std::pair<QString, QWidget*> controls[] = {{QStringLiteral("c901"), c901}, {QStringLiteral("c902"), c902},
                                                     {QStringLiteral("c903"), c903}, {QStringLiteral("c904"), c904},
                                                     {QStringLiteral("c907"), c907}, {QStringLiteral("c905"), c905},
                                                     {QStringLiteral("c906"), c906}};
    for (const auto& [name, widget] : controls) {
        for (Field& f : fields_)
            if (f.name.compare(name, Qt::CaseInsensitive) == 0) {
                f.number = qobject_cast<TNumericEdit*>(widget);
                f.text = qobject_cast<TQuValidEdit*>(widget);
            }
        pageInputs_[0] << widget;
    }
    setTabOrder(c901, c902);
    setTabOrder(c902, c903);
    setTabOrder(c903, c904);
    setTabOrder(c904, c907);
    setTabOrder(c907, c905);
    setTabOrder(c905, c906);

    connect(cityName_, &TButtonEdit::buttonClicked, this, [this, c903] {
        TCityNameForm picker(connection_, cityName_->tag() > 0 ? cityName_->tag() : 110100, this);
        if (picker.exec() != QDialog::Accepted) return;
        c903->setValue(picker.chosenCode());
        cityName_->setTag(picker.chosenCode());
        cityName_->setText(picker.chosenName());
    });
    connect(levelName_, &TButtonEdit::buttonClicked, this,
            [this] { ShowCodePicker(levelName_, levels_, [this](int code) { ApplyLevelRules(code); }); });
    connect(stateName_, &TButtonEdit::buttonClicked, this,
            [this] { ShowCodePicker(stateName_, states_, [this](int code) { ApplyReportingState(code); }); });
    return page;
}

QWidget* TdlgSurveyDataForm::buildDataPage(int page) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(14, 6, 14, 6);
    layout->setSpacing(4);
    const EntryPage& info = entryPage(page);

    auto addTitle = [&](const QString& text, bool main) {
        auto* label = new QLabel(text, content);
        label->setWordWrap(true);
        QFont font = label->font();
        font.setBold(main);
        font.setPointSize(main ? 11 : 9);
        label->setFont(font);
        layout->addWidget(label);
    };
    for (int i = 0; i < info.titleLines.size(); ++i) addTitle(info.titleLines[i], i == 0);

    // The page's indicators in the order of their numbers, in sheets.
    std::vector<Field*> onPage;
    for (Field& f : fields_)
        if (f.page == page) onPage.push_back(&f);
    std::sort(onPage.begin(), onPage.end(), [](const Field* a, const Field* b) { return a->id < b->id; });
    std::vector<std::vector<Field*>> sheets(1);
    for (Field* f : onPage) {
        if (!info.secondSheetField.isEmpty() && f->name == info.secondSheetField) sheets.emplace_back();
        sheets.back().push_back(f);
    }

    for (size_t s = 0; s < sheets.size(); ++s) {
        if (s > 0) {
            layout->addSpacing(8);
            addTitle(info.secondSheetTitle, true);
        }
        const std::vector<Field*>& sheet = sheets[s];
        const int columns = sheet.size() <= 8 ? 2 : 3;
        const int rowsPerColumn = int((sheet.size() + size_t(columns) - 1) / size_t(columns));
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(1);
        for (size_t i = 0; i < sheet.size(); ++i) {
            Field* f = sheet[i];
            const int r = int(i) % rowsPerColumn;
            const int c = int(i) / rowsPerColumn;
            auto* caption = new QLabel(f->hint, content);
            caption->setWordWrap(true);
            caption->setFixedWidth(columns == 3 ? 178 : 300);
            caption->setToolTip(f->hint);
            auto* edit = new TNumericEdit(content);
            edit->setObjectName(f->name);
            edit->setFixedSize(104, 22);
            const bool decimals = f->rule.kind == FieldRule::Kind::Decimal;
            edit->setLimits(f->rule.minimum, f->rule.maximum, f->rule.maxLength, decimals);
            edit->setFormat(decimals ? TNumericEdit::Format::Amount : TNumericEdit::Format::Thousands);
            f->number = edit;
            auto* box = new QVBoxLayout;
            box->setSpacing(0);
            box->addWidget(codeLabel(f->name, content));
            box->addWidget(edit);
            grid->addWidget(caption, r, c * 2, Qt::AlignVCenter);
            grid->addLayout(box, r, c * 2 + 1);
            pageInputs_[size_t(page)] << edit;
        }
        for (int c = 0; c < columns * 2; c += 2) grid->setColumnStretch(c, 1);
        layout->addLayout(grid);
    }
    // The tab order follows the field numbers.
    const QList<QWidget*>& inputs = pageInputs_[size_t(page)];
    for (int i = 1; i < inputs.size(); ++i) setTabOrder(inputs[i - 1], inputs[i]);
    layout->addStretch();
    return content;
}

void TdlgSurveyDataForm::buildCommands() {
    auto* commands = new QWidget(this);
    auto* bar = new QHBoxLayout(commands);
    bar->setContentsMargins(6, 2, 6, 2);
    struct Command {
        const char* name;
        const char16_t* caption;
        const char16_t* hint;
        void (TdlgSurveyDataForm::*run)();
    };
    const Command commandList[] = {
        {"tbHold", u"临时保存",
         u"临时保存输入的数据|临时保存已经输入的数据，不检查数据的逻辑关系，保存后可继续编辑，临时保存的数据不能被导出或上报",
         &TdlgSurveyDataForm::holdRecord},
        {"tbSave", u"保存记录", u"正式保存输入的数据|正式保存已经数据的数据，将检查数据的逻辑关系", &TdlgSurveyDataForm::saveRecord},
        {"tbAdd", u"保存记录",
         u"正式保存输入的数据|正式保存已经数据的数据，将检查数据的逻辑关系，保存后会请空所有已经输入的数据，以便输入新的数据",
         &TdlgSurveyDataForm::saveRecord},
        {"tbCheck", u"检查逻辑", u"", &TdlgSurveyDataForm::checkRecord},
        {"tbPrint", u"打  印", u"打印当前的报表", &TdlgSurveyDataForm::printRecord},
        {"tbReturn", u"返  回", u"", &TdlgSurveyDataForm::returnToCaller},
    };
    for (const Command& c : commandList) {
        auto* b = new QToolButton(commands);
        b->setObjectName(QLatin1String(c.name));
        b->setText(QString::fromUtf16(c.caption));
        const QString hint = QString::fromUtf16(c.hint);
        // The dialog has no status area: the long form of a hint, where there is one, is the tooltip.
        b->setToolTip(hint.section(QLatin1Char('|'), hint.contains(QLatin1Char('|')) ? 1 : 0));
        b->setMinimumWidth(84);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, c.run);
        bar->addWidget(b);
    }
    bar->addStretch();

    navBar_ = new QToolBar(commands);
    navBar_->setObjectName(QStringLiteral("NavBar"));
    struct Move {
        const char* name;
        const char16_t* caption;
        Step step;
    };
    const Move moves[] = {{"actFirst", u"第一条", Step::First},
                          {"actPrev", u"上一条", Step::Previous},
                          {"actNext", u"下一条", Step::Next},
                          {"actLast", u"最后一条", Step::Last}};
    for (const Move& m : moves) {
        QAction* a = static_cast<QToolBar*>(navBar_)->addAction(QString::fromUtf16(m.caption));
        a->setObjectName(QLatin1String(m.name));
        const Step step = m.step;
        connect(a, &QAction::triggered, this, [this, step] { moveTo(step); });
    }
    bar->addWidget(navBar_);
    itemNo_ = new QLabel(commands);
    itemNo_->setObjectName(QStringLiteral("ItemNo"));
    itemNo_->setMinimumWidth(110);
    bar->addWidget(itemNo_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pages_, 1);
    layout->addWidget(tabs_);
    layout->addWidget(notes_);
    layout->addWidget(commands);
    // Shown, the error list leaves the page tabs, the notes and the commands below them free.
    errorList_->setKeepClear([this] {
        return QRect(tabs_->mapToGlobal(QPoint(0, 0)), mapToGlobal(QPoint(width(), height())));
    });
}

QWidget* TdlgSurveyDataForm::control(const QString& name) const {
    const Field* f = fieldByName_.value(name.toLower());
    return f ? f->control() : nullptr;
}

TNumericEdit* TdlgSurveyDataForm::numberField(const QString& name) const { return qobject_cast<TNumericEdit*>(control(name)); }
TQuValidEdit* TdlgSurveyDataForm::textField(const QString& name) const { return qobject_cast<TQuValidEdit*>(control(name)); }
QToolButton* TdlgSurveyDataForm::button(const QString& name) const { return findChild<QToolButton*>(name); }
QAction* TdlgSurveyDataForm::navigation(const QString& name) const { return findChild<QAction*>(name); }

TdlgSurveyDataForm::Field* TdlgSurveyDataForm::fieldOf(QWidget* c) const { return fieldByControl_.value(c); }

int TdlgSurveyDataForm::currentPage() const { return pages_->currentIndex(); }

std::optional<double> TdlgSurveyDataForm::fieldValue(const QString& name) const {
    const Field* f = fieldByName_.value(name.toLower());
    if (!f || !f->control()) return std::nullopt;
    if (f->number) return f->number->value();
    return f->text->text().toDouble();
}

// ---------------------------------------------------------------- state of the commands

void TdlgSurveyDataForm::setCommands(Commands commands) {
    commands_ = commands;
    button(QStringLiteral("tbHold"))->setEnabled(commands.hold);
    button(QStringLiteral("tbSave"))->setEnabled(commands.save);
    button(QStringLiteral("tbAdd"))->setEnabled(commands.save);
    button(QStringLiteral("tbCheck"))->setEnabled(commands.check);
    button(QStringLiteral("tbPrint"))->setEnabled(commands.print);
}

void TdlgSurveyDataForm::setUnsaved(bool hold, bool save) {
    Commands commands = commands_;
    commands.hold = hold;
    commands.save = save;
    setCommands(commands);
}

void TdlgSurveyDataForm::ContentChange() {
    Commands commands = commands_;
    commands.hold = commands.save = true;
    commands.print = false;
    setCommands(commands);
}

void TdlgSurveyDataForm::message(const QString& text, bool error) {
    // A message box is not to be hidden behind the error list.
    errorList_->setStaysOnTop(false);
    if (error) ui::showError(text);
    else ui::showMessage(text);
    errorList_->setStaysOnTop(true);
}
