// Placing direct and callback calls; call progress, duration and hang-up.
#include "mainwindow/mianwindow.h"

#include "app/accountpages.h"
#include "app/globals.h"
#include "callsdk.h"
#include "mainwindow/callstate.h"
#include "ui_mianwindow.h"
#include "widgets/leavetimewidget.h"

#include "widgets/messagebox.h"

static const char *const kServiceNumber = "10000000000";

static bool hasRefusedCharacter(const QString &number)
{
    return number.contains(QLatin1Char('+')) || number.contains(QLatin1Char('*'))
           || number.contains(QLatin1Char('#'));
}

// A call is in progress while the hang-up button is shown. Its own
// shown/hidden state counts, not whether the window is on screen: a window
// in the tray still has its call.
static bool callInProgress(const QWidget *hangUp)
{
    return !hangUp->isHidden();
}

bool MianWindow::callKeysBlocked()
{
    if (callInProgress(ui->pushButton_3))
        return true;
    if (ui->leInput->text().isEmpty()) {
        const QString newest = newestHistoryNumber();
        if (!newest.isEmpty())
            ui->leInput->setText(newest);
        return true;
    }
    return false;
}

void MianWindow::showInvalidNumber()
{
    MessageBox::information(this, tr("Nuvoxa"), tr("无效被叫号码"), QMessageBox::Yes,
                            {{QMessageBox::Yes, tr("确定")}});
}

void MianWindow::showCallFailed()
{
    MessageBox::information(this, tr("Nuvoxa"), tr("呼叫失败，请稍后再试！"));
}

void MianWindow::on_d13_clicked()
{
    if (callKeysBlocked())
        return;
    directCall();
}

void MianWindow::directCall()
{
    const QString number = ui->leInput->text();
    if (hasRefusedCharacter(number)) {
        showInvalidNumber();
        return;
    }
    EnaleG729(number == QLatin1String(kServiceNumber) ? 0 : 1);
    m_callee = number;
    ui->listWidget_2->clear();
    auto *item = new QListWidgetItem(tr(" 正在呼叫：%1").arg(number), ui->listWidget_2);
    QFont font(QStringLiteral("宋体"), 11);
    font.setBold(false);
    item->setFont(font);
    item->setSizeHint(QSize(30, 24));
    ui->pushButton_3->show();

    const QByteArray callee = number.toUtf8();
    if (make_call(const_cast<char *>(callee.constData())) != 1) {
        showCallFailed();
        ui->pushButton_3->hide();
    }
    addHistoryEntry(number);
}

void MianWindow::on_d14_clicked()
{
    if (callKeysBlocked())
        return;
    callbackCall();
}

void MianWindow::callbackCall()
{
    const QString number = ui->leInput->text();
    if (number == QLatin1String(kServiceNumber)) {
        directCall();
        return;
    }
    if (hasRefusedCharacter(number)) {
        showInvalidNumber();
        return;
    }

    char *answer = nullptr;
    getBalance(&answer);
    if (answer) {
        const QStringList fields = QString::fromUtf8(answer).split(QLatin1Char('|'));
        if (fields.size() >= 2) {
            g_bindPhone = fields.at(0);
            if (!g_bindPhone.isEmpty())
                showBoundNumber();
        }
    }

    if (g_bindPhone == number) {
        MessageBox::information(this, tr("呼叫失败"), tr("主叫和被叫电话号码不能一样！"), QMessageBox::Yes);
        return;
    }

    if (!g_bindPhone.isEmpty()) {
        m_callee = number;
        const QByteArray callee = number.toUtf8();
        const QByteArray bound = g_bindPhone.toUtf8();
        // A refused request must not promise a ringing phone.
        if (make_call_back(const_cast<char *>(callee.constData()), const_cast<char *>(bound.constData())) == 1)
            showCallPopup(tr("正在呼叫：") + number
                              + tr("，稍后您的电话将会响铃，请接听来电（有可能是未知号码，请放心接听）"),
                          false);
        else
            showCallFailed();
    } else {
        showCallPopup(tr("绑定手机号码才能使用该功能（绑定成功可获得免费分钟数）。"), true);
    }
    addHistoryEntry(number);
}

void MianWindow::showCallPopup(const QString &message, bool withLink)
{
    if (!m_callPopup) {
        m_callPopup = new leaveTimeWidget(AccountPages::withToken(QStringLiteral("/Reg_suc2.aspx?v=")));
        connect(m_callPopup, &leaveTimeWidget::bindRequested, this, [this] { slotLink(QString()); });
    }
    m_callPopup->showMessage(message);
    if (withLink)
        m_callPopup->setLinkVisible(true);
    m_callPopup->move(x() + 20, y() + 300);
    m_callPopup->show();
}

void MianWindow::onWphone(const QString &text)
{
    if (text.contains(QLatin1String("HL"))) {
        QString number = text;
        number.remove(QStringLiteral("HL"));
        ui->tb2->setChecked(true);
        ui->leInput->setText(number);
        return;
    }
    ui->tb2->setChecked(true);
    ui->leInput->setText(text);
    on_d13_clicked();
}

void MianWindow::onHphone(const QString &text)
{
    ui->tb2->setChecked(true);
    ui->leInput->setText(text);
    on_d14_clicked();
}

void MianWindow::onTimerOut()
{
    // Take and clear the report in one step: a report arriving between a
    // separate read and reset would be lost.
    const int report = g_callState.exchange(CallReportNone);
    if (report == CallReportEnded) {
        if (!callInProgress(ui->pushButton_3))
            return;
        ui->pushButton_3->hide();
        endCallDisplay();
        refreshBalance();
        // An answered incoming call leaves the field as it was, often empty:
        // the hint lines come back all the same.
        if (ui->leInput->text().isEmpty())
            onInPutText(QString());
        else
            ui->leInput->clear();
    } else if (report == CallReportAnswered) {
        m_callTimer.start(1000);
    }
}

void MianWindow::endCallDisplay()
{
    m_callTimer.stop();
    m_callTime = QTime(0, 0, 0);
}

void MianWindow::onTimerOut_1()
{
    m_callTime = m_callTime.addSecs(1);
    ui->listWidget_2->clear();
    auto *item = new QListWidgetItem(
        tr("您与 %1 通话 %2").arg(m_callee, m_callTime.toString(QStringLiteral("hh:mm:ss"))),
        ui->listWidget_2);
    item->setSizeHint(QSize(30, 24));
    QFont font(QStringLiteral("宋体"), 10);
    font.setBold(false);
    item->setFont(font);
}

void MianWindow::on_pushButton_3_clicked()
{
    ui->pushButton_3->hide();
    call_hangup();
    ui->listWidget_2->clear();
    fillHintList();
    endCallDisplay();
    ui->leInput->clear();
    m_balanceTimer.start(5000);
}
