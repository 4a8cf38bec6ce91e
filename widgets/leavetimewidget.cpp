#include "widgets/leavetimewidget.h"

#include "ui_leavetimewidget.h"
#include "widgets/skinpicture.h"

#include <QPainter>

leaveTimeWidget::leaveTimeWidget(const QUrl &bindPage, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::leaveTimeWidget)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(267, 146);
    connect(&m_timer, &QTimer::timeout, this, &leaveTimeWidget::onTimerOut);
    ui->label_2->setText(tr("<a href = %1>%2</a>")
                             .arg(bindPage.toString().toHtmlEscaped(), tr("点击现在绑定")));
    connect(ui->label_2, &QLabel::linkActivated, this, &leaveTimeWidget::bindRequested);
}

leaveTimeWidget::~leaveTimeWidget()
{
    delete ui;
}

void leaveTimeWidget::showMessage(const QString &text)
{
    ui->label_2->hide();
    ui->label->setText(text);
    m_timer.start(6000);
}

void leaveTimeWidget::setLinkVisible(bool visible)
{
    ui->label_2->setVisible(visible);
}

void leaveTimeWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), SkinPicture::load(QStringLiteral("image/newChatBack.png")));
}

void leaveTimeWidget::onTimerOut()
{
    m_timer.stop();
    close();
}
