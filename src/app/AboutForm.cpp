#include "app/AboutForm.h"
#include "app/UserGuideForm.h"
#include "widgets/DialogParts.h"

#include "core/FieldRules.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/Version.h"

#include <QDir>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>

TdlgAboutForm::TdlgAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      nameLabel_(new QLabel(programApplicationName(), this)),
      versionLabel_(new QLabel(aboutVersionText(ReadVersionInfo()), this)),
      progress_(new QProgressBar(this)),
      guideButton_(new QPushButton(QStringLiteral("用户手册"), this)) {
    setWindowTitle(programApplicationName());
    setFixedSize(550, 300);
    CentreOnScreen(this);

    QFont nameFont(QStringLiteral("SimHei"));
    nameFont.setFamilies({QStringLiteral("SimHei"), QStringLiteral("黑体"), QStringLiteral("Noto Sans CJK SC")});
    nameFont.setPixelSize(29);
    nameFont.setBold(true);
    nameLabel_->setFont(nameFont);
    nameLabel_->setStyleSheet(QStringLiteral("color: maroon; background: transparent;"));
    auto* shadow = new QGraphicsDropShadowEffect(nameLabel_);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(3);
    shadow->setColor(QColor(0, 0, 0, 110));
    nameLabel_->setGraphicsEffect(shadow);
    nameLabel_->setGeometry(30, 40, 490, 44);
    nameLabel_->setAlignment(Qt::AlignCenter);
    nameLabel_->installEventFilter(this);

    auto* supervision = new QLabel(QStringLiteral("本软件由本调查的全国主管机关监制，并授权设计、开发和发行"), this);
    supervision->setGeometry(30, 100, 490, 24);
    supervision->setAlignment(Qt::AlignCenter);
    versionLabel_->setGeometry(30, 140, 490, 22);
    versionLabel_->setAlignment(Qt::AlignCenter);
    auto* company = new QLabel(QStringLiteral("开发单位：Quillon"), this);
    company->setGeometry(30, 190, 490, 22);
    company->setAlignment(Qt::AlignCenter);
    auto* web = new QLabel(QStringLiteral("<span style='color:#0645ad; text-decoration:underline'>www.quillon.example.com</span>"), this);
    web->setGeometry(30, 214, 490, 22);
    web->setAlignment(Qt::AlignCenter);
    for (QLabel* label : {supervision, versionLabel_, company, web})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    // An installed program keeps the user's data in a folder of its own: say where.
    if (programFolder() == perUserProgramFolder()) {
        auto* folder = new QLabel(QStringLiteral("数据文件夹：%1").arg(QDir::toNativeSeparators(programFolder())), this);
        folder->setGeometry(30, 238, 490, 20);
        folder->setAlignment(Qt::AlignCenter);
        folder->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    // Opened from the menu, the box leads to the user guide.
    guideButton_->setGeometry(450, 270, 84, 22);
    guideButton_->setFlat(true);
    guideButton_->setCursor(Qt::PointingHandCursor);
    guideButton_->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline; background: transparent;"));
    connect(guideButton_, &QPushButton::clicked, this, [this] {
        ShowUserGuide(parentWidget());
        close();
    });

    progress_->setGeometry(40, 262, 470, 14);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->hide();
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, &TdlgAboutForm::tick);
}

void TdlgAboutForm::startProgress() {
    guideButton_->hide();
    progress_->setValue(0);
    progress_->show();
    timer_.start();
}

void TdlgAboutForm::tick() {
    progress_->setValue(std::min(progress_->value() + 2, 100));
    if (progress_->value() >= 100) {
        timer_.stop();
        close();
    }
}

void TdlgAboutForm::paintEvent(QPaintEvent*) {
    // The background picture: a sky-blue field with a red banner and a ring of
    // stars standing for the offices that report upward.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(236, 244, 255));
    sky.setColorAt(1, QColor(176, 204, 240));
    p.fillRect(rect(), sky);
    QPainterPath banner;
    banner.moveTo(0, 0);
    banner.lineTo(width(), 0);
    banner.lineTo(width(), 22);
    banner.cubicTo(width() * 0.66, 40, width() * 0.33, 4, 0, 24);
    banner.closeSubpath();
    p.fillPath(banner, QColor(178, 34, 34));
    const QPointF centre(width() / 2.0, height() / 2.0 + 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 90));
    for (int i = 0; i < 24; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(i * 15.0);
        p.drawEllipse(QPointF(0, -118), 3.5, 3.5);
        p.restore();
    }
    p.setPen(QPen(QColor(120, 60, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TdlgAboutForm::mousePressEvent(QMouseEvent*) { close(); }

void TdlgAboutForm::mouseDoubleClickEvent(QMouseEvent*) { close(); }

bool TdlgAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != nameLabel_) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick: {
        const Qt::KeyboardModifiers m = static_cast<QMouseEvent*>(event)->modifiers();
        if ((m & Qt::ControlModifier) && (m & Qt::AltModifier) && !(m & Qt::ShiftModifier)) runHiddenCommand();
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: return true;  // other clicks on the name do nothing
    default: return false;
    }
}

void TdlgAboutForm::runHiddenCommand() {
    try {
        workingDatabase().connection.execute(QStringLiteral("update dt_data set RecordState=?"), {int(RecordState::Saved)});
    } catch (const db::Error& e) {
        ui::showRunError(e.message());
        return;
    }
    close();
    workingDatabase().announceRecordsChanged();
}
