#include "app/ProgressBar.h"
#include "widgets/DialogParts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

constexpr Qt::WindowFlags kToolWindow =
    Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

// A turning ring of dots while the work goes on.
class Spinner final : public QWidget {
public:
    explicit Spinner(QWidget* parent) : QWidget(parent) {
        setFixedSize(32, 32);
        connect(&turn_, &QTimer::timeout, this, [this] {
            angle_ = (angle_ + 30) % 360;
            update();
        });
    }
    void run(bool on) { on ? turn_.start(100) : turn_.stop(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(width() / 2.0, height() / 2.0);
        p.rotate(angle_);
        for (int i = 0; i < 12; ++i) {
            p.setBrush(QColor(30, 90, 200, 40 + i * 18));
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(0, -11), 2.6, 2.6);
            p.rotate(30);
        }
    }

private:
    QTimer turn_;
    int angle_ = 0;
};

} // namespace

void PaintSlice::now(QWidget* window) {
    window->repaint();
    // The one thread lets the window system process what is pending: the
    // timers tick, other windows repaint.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    clock_.start();
}

void PaintSlice::soon(QWidget* window) {
    if (due()) now(window);
}

TProgressBarForm::TProgressBarForm(QWidget* parent)
    : QWidget(parent, kToolWindow),
      doneLabel_(new QLabel(this)),
      waitingLabel_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      animation_(new Spinner(this)) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("正在处理："), this), 0, 0);
    grid->addWidget(animation_, 0, 1, Qt::AlignRight);
    grid->addWidget(bar_, 1, 0, 1, 2);
    grid->addWidget(doneLabel_, 2, 0);
    grid->addWidget(waitingLabel_, 2, 1, Qt::AlignRight);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    setFixedSize(380, 120);
    doneLabel_->hide();
    waitingLabel_->hide();
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &TProgressBarForm::tick);
}

void TProgressBarForm::setCaption(const QString& caption) { setWindowTitle(caption); }

void TProgressBarForm::start(int total, int done) {
    estimate_.start(total, done);
    bar_->setRange(0, std::max(total, 1));
    bar_->setValue(done);
    showTexts();
    doneLabel_->show();
    waitingLabel_->show();
    timer_.start();
    static_cast<Spinner*>(animation_)->run(true);
    CentreOnScreen(this);
    show();
    slice_.now(this);
}

void TProgressBarForm::step() {
    estimate_.step();
    if (estimate_.done() >= estimate_.total()) timer_.stop();
    if (!slice_.due()) return;
    bar_->setValue(std::min(estimate_.done(), bar_->maximum()));
    showTexts();
    slice_.now(this);
}

void TProgressBarForm::hide() {
    timer_.stop();
    static_cast<Spinner*>(animation_)->run(false);
    doneLabel_->hide();
    waitingLabel_->hide();
    QWidget::hide();
}

void TProgressBarForm::tick() {
    estimate_.tick();
    showTexts();
}

QString TProgressBarForm::doneText() const { return doneLabel_->text(); }
QString TProgressBarForm::waitingText() const { return waitingLabel_->text(); }

void TProgressBarForm::showTexts() {
    doneLabel_->setText(estimate_.doneText());
    waitingLabel_->setText(estimate_.waitingText());
}

TProgressBar2LineForm::TProgressBar2LineForm(QWidget* parent)
    : QWidget(parent, kToolWindow), first_(new QProgressBar(this)), second_(new QProgressBar(this)) {
    setWindowTitle(QStringLiteral("操作进度指示"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("总进度："), this));
    layout->addWidget(first_);
    layout->addWidget(new QLabel(QStringLiteral("当前任务进度："), this));
    layout->addWidget(second_);
    setFixedSize(380, 140);
}

void TProgressBar2LineForm::start(int total, int done) {
    first_->setRange(0, std::max(total, 1));
    first_->setValue(done);
    if (!isVisible()) {
        CentreOnScreen(this);
        show();
    }
    slice_.now(this);
}

void TProgressBar2LineForm::startTask(int total) {
    second_->setRange(0, std::max(total, 1));
    second_->setValue(0);
    secondDone_ = 0;
    slice_.soon(this);
}

void TProgressBar2LineForm::step() {
    first_->setValue(std::min(first_->value() + 1, first_->maximum()));
    second_->setValue(std::min(secondDone_, second_->maximum()));
    slice_.now(this);
}

void TProgressBar2LineForm::stepTask() {
    ++secondDone_;
    if (!slice_.due()) return;
    second_->setValue(std::min(secondDone_, second_->maximum()));
    slice_.now(this);
}

void TProgressBar2LineForm::hide() { QWidget::hide(); }
