#include "widgets/leavetimewidget.h"

#include "app/accountpages.h"
#include "ui_leavetimewidget.h"
#include "widgets/skinpicture.h"

#include <QPainter>

static const char *const kBindPage = "/Reg_suc2.aspx?v=";

leaveTimeWidget::leaveTimeWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::leaveTimeWidget)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(267, 146);
    connect(&m_timer, &QTimer::timeout, this, &leaveTimeWidget::onTimerOut);
    // The link's own target is fixed now; a click builds the address afresh.
    const QUrl bind = AccountPages::withToken(QString::fromLatin1(kBindPage));
    ui->label_2->setText(tr("<a href = %1>%2</a>")
                             .arg(bind.toString().toHtmlEscaped(), tr("点击现在绑定")));
    connect(ui->label_2, &QLabel::linkActivated, this, &leaveTimeWidget::slotLink);
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

void leaveTimeWidget::slotLink(const QString &)
{
    AccountPages::open(AccountPages::withToken(QString::fromLatin1(kBindPage)));
}
