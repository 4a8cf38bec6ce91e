// Balance, bound phone and the account web pages.
#include "mainwindow/mianwindow.h"

#include "app/accountpages.h"
#include "app/globals.h"
#include "callsdk.h"
#include "ui_mianwindow.h"

void MianWindow::showBalance()
{
    ui->label_3->setTextFormat(Qt::PlainText);
    ui->label_3->setText(g_balance + tr("元"));
}

void MianWindow::refreshBalance()
{
    char *answer = nullptr;
    getBalance(&answer);
    if (!answer)
        return;
    const QStringList fields = QString::fromUtf8(answer).split(QLatin1Char('|'));
    if (fields.size() < 2)
        return;
    g_balance = fields.at(1);
    showBalance();
}

void MianWindow::onTimerOut2()
{
    m_balanceTimer.stop();
    refreshBalance();
}

void MianWindow::showBindPhone()
{
    if (!g_bindPhone.isEmpty()) {
        showBoundNumber();
        return;
    }
    const QUrl bind = AccountPages::withToken(QStringLiteral("/Reg_suc2.aspx?v="));
    ui->label_2->setTextFormat(Qt::RichText);
    ui->label_2->setText(tr("<a href = %1>%2</a>").arg(bind.toString().toHtmlEscaped(), tr("绑定手机号码")));
    connect(ui->label_2, &QLabel::linkActivated, this, &MianWindow::slotLink);
}

void MianWindow::showBoundNumber()
{
    // An eleven-digit number must fit the label's 131 pixels in the Chinese
    // face, which runs a little wider than the one the form was made for.
    QFont font = ui->label_2->font();
    font.setPointSizeF(8.5);
    ui->label_2->setFont(font);
    ui->label_2->setTextFormat(Qt::PlainText);
    ui->label_2->setText(tr("绑定号码:") + g_bindPhone);
}

void MianWindow::on_tbYu_clicked()
{
    AccountPages::open(AccountPages::withToken(QStringLiteral("/user/usercenter.aspx?v=")));
}

void MianWindow::on_tbChong_clicked()
{
    AccountPages::open(AccountPages::withToken(QStringLiteral("/pay_list?v=")));
}

void MianWindow::slotLink(const QString &)
{
    AccountPages::open(AccountPages::withToken(QStringLiteral("/Reg_suc2.aspx?v=")));
}

void MianWindow::onLinkActivated(const QString &)
{
    AccountPages::open(AccountPages::plain(QStringLiteral("/free_call.aspx")));
}
