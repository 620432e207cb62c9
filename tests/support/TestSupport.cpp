#include "support/TestSupport.h"

#include "core/Startup.h"

#include <QFile>

namespace test {

void RecordingPrompter::inform(const QString& text, const QString&, ui::MessageKind kind) {
    messages << text;
    if (kind == ui::MessageKind::Error) errors << text;
}

bool RecordingPrompter::ask(const QString& text, const QString&, ui::AskStyle style) {
    if (whileAsking) whileAsking();
    messages << text;
    askStyles.push_back(style);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

ui::FileDialogAnswer RecordingPrompter::chooseSaveFile(const ui::FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return {};
    const QString path = fileAnswers.front();
    fileAnswers.pop_front();
    return {path, 0, {path}};
}

ui::FileDialogAnswer RecordingPrompter::chooseOpenFile(const ui::FileDialogRequest& request) {
    if (!request.multiple || fileSelections.empty()) return chooseSaveFile(request);
    fileRequests.push_back(request);
    const QStringList paths = fileSelections.front();
    fileSelections.pop_front();
    return {paths.value(0), 0, paths};
}

int RecordingPrompter::askQuestion(const QString& text, int) {
    messages << text;
    if (questionAnswers.empty()) return ui::qaCancel;
    const int answer = questionAnswers.front();
    questionAnswers.pop_front();
    return answer;
}

int RecordingPrompter::chooseFromMenu(const QStringList& captions, int checked, QPoint) {
    lastMenu.clear();
    for (int i = 0; i < captions.size(); ++i) lastMenu << (i == checked ? QStringLiteral("✓") : QString()) + captions[i];
    if (menuChoices.empty()) return -1;
    const int choice = menuChoices.front();
    menuChoices.pop_front();
    return choice;
}

bool RecordingPrompter::inputText(const QString& caption, const QString& prompt, QString& text) {
    inputPrompts << caption + QLatin1Char('|') + prompt;
    if (inputAnswers.empty()) return false;
    const std::optional<QString> answer = inputAnswers.front();
    inputAnswers.pop_front();
    if (!answer) return false;
    text = *answer;
    return true;
}

void RecordingPrompter::clear() {
    messages.clear();
    errors.clear();
    answers.clear();
    whileAsking = {};
    askStyles.clear();
    fileAnswers.clear();
    fileSelections.clear();
    fileRequests.clear();
    questionAnswers.clear();
    menuChoices.clear();
    lastMenu.clear();
    inputAnswers.clear();
    inputPrompts.clear();
}

RecordingPrompter& prompts() {
    static RecordingPrompter prompter;
    return prompter;
}

namespace {

class ClearPrompts final : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { prompts().clear(); }
};

} // namespace

void RecordingPrompterEnvironment::SetUp() {
    ui::installPrompter(&prompts());
    ::testing::UnitTest::GetInstance()->listeners().Append(new ClearPrompts);
}

void RecordingPrompterEnvironment::TearDown() { ui::installPrompter(nullptr); }

QString builtProgramFolder() { return QStringLiteral(PROGRAM_FOLDER); }

QString builtSystemDataFile() { return builtProgramFolder() + QStringLiteral("2019NB_qv_201908291730.mdb"); }

TempFolder::TempFolder() { EXPECT_TRUE(dir_.isValid()); }

TempFolder::~TempFolder() {
    if (workingDatabase().path.startsWith(dir_.path() + u'/')) closeWorkingDatabase();
}

QString TempFolder::path(const QString& name) const { return dir_.filePath(name); }

QString TempFolder::copyOfSystemDataFile(const QString& name) const {
    const QString target = path(name);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(builtSystemDataFile(), target)) << "no built system data file";
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

} // namespace test
