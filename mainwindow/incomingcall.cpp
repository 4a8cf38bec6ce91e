#include "mainwindow/incomingcall.h"

#include "callsdk.h"
#include "ui_incomingcall.h"

#include <QCloseEvent>
#include <QPainter>

namespace {

const int kNoAnswerMs = 45000;

}  // namespace

IncomingCall::IncomingCall(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::IncomingCall)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(300, 180);
    ui->lbTitle->raise();
    QPalette numberPalette = ui->lbNumber->palette();
    numberPalette.setColor(QPalette::WindowText, QColor(28, 108, 216));
    ui->lbNumber->setPalette(numberPalette);
    m_noAnswer.setParent(this);
    m_noAnswer.setObjectName(QStringLiteral("noAnswer"));
    m_noAnswer.setSingleShot(true);
    connect(&m_noAnswer, &QTimer::timeout, this, &IncomingCall::on_pbDecline_clicked);
}

IncomingCall::~IncomingCall()
{
    delete ui;
}

int IncomingCall::noAnswerLimitMs()
{
    return kNoAnswerMs;
}

void IncomingCall::ring(const QString &number, const QString &contactName)
{
    m_number = number;
    m_ringing = true;
    ui->lbNumber->setText(number.isEmpty() ? tr("未知号码") : number);
    ui->lbName->setText(contactName);
    setAccessibleDescription(contactName.isEmpty() ? number : contactName + QLatin1Char(' ') + number);
    m_noAnswer.start(kNoAnswerMs);
    m_tone.start();
    show();
    raise();
    activateWindow();
}

void IncomingCall::callEnded()
{
    if (finish())
        emit missed(m_number);
}

bool IncomingCall::finish()
{
    m_noAnswer.stop();
    m_tone.stop();
    const bool wasRinging = m_ringing;
    m_ringing = false;
    hide();
    return wasRinging;
}

void IncomingCall::on_pbAnswer_clicked()
{
    if (!m_ringing)
        return;
    // The caller may have given up a moment ago: then it is a missed call.
    const bool connected = answer_call() == 1;
    finish();
    if (connected)
        emit answered(m_number);
    else
        emit missed(m_number);
}

void IncomingCall::on_pbDecline_clicked()
{
    if (!m_ringing)
        return;
    decline_call();
    callEnded();
}

void IncomingCall::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), QPixmap(QStringLiteral("image/incoming.png")));
}

void IncomingCall::closeEvent(QCloseEvent *event)
{
    // The title bar's close button turns the call away like "拒绝".
    on_pbDecline_clicked();
    event->accept();
}
