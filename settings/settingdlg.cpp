#include "settings/settingdlg.h"

#include "app/globals.h"
#include "core/hosts.h"
#include "core/settingsstore.h"
#include "core/updatecheck.h"
#include "core/updatefetch.h"
#include "platform/desktop.h"
#include "settings/clickframe.h"
#include "settings/userdlg.h"
#include "ui_settingdlg.h"
#include "widgets/accessibletab.h"
#include "widgets/skinpicture.h"
#include "widgets/skinstyle.h"

#include <QCoreApplication>
#include <QLabel>
#include "widgets/messagebox.h"
#include <QPainter>
#include <QPixmap>
#include <QUrl>

SettingDlg::SettingDlg(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::SettingDlg)
    , m_userDlg(new UserDlg)
{
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    if (auto *caption = ui->widget->findChild<QLabel *>(QStringLiteral("label")))
        caption->setText(tr("  系统设置"));

    const struct
    {
        QToolButton *button;
        ClickFrame *frame;
    } icons[] = {{ui->toolButton_21, ui->frame_8}, {ui->toolButton_4, ui->frame_5}, {ui->toolButton_5, ui->frame_6}};
    for (const auto &icon : icons) {
        // The icon is part of its selector: a press on it selects the page.
        icon.button->setAttribute(Qt::WA_TransparentForMouseEvents);
        // The frame takes only the mouse; from the keyboard the icon selects.
        ClickFrame *frame = icon.frame;
        connect(icon.button, &QToolButton::clicked, this, [this, frame] { setIndex(frame); });
        // Checked marks the selected page for the screen reader.
        icon.button->setCheckable(true);
        AccessibleTab::mark(icon.button);
    }
    // Style sheets stop the window's font from reaching the widgets inside
    // the styled ones; hand it down to those without a font of their own.
    for (QWidget *widget : findChildren<QWidget *>()) {
        if (!widget->testAttribute(Qt::WA_SetFont))
            widget->setFont(font());
    }
    for (ClickFrame *frame : {ui->frame_8, ui->frame_5, ui->frame_6})
        connect(frame, &ClickFrame::setIndex, this, &SettingDlg::setIndex);

    // The address comes from the build or the environment: escape it before
    // it becomes part of a link.
    const QString site = Hosts::webBase().toHtmlEscaped();
    const QString pattern = QStringLiteral("<a href = %1>%2</a>");
    ui->label_20->setText(pattern.arg(site, site));
    ui->label_21->setText(pattern.arg(site, tr("查看用户协议")));
    connect(ui->label_20, &QLabel::linkActivated, this, &SettingDlg::slotLink);
    connect(ui->label_21, &QLabel::linkActivated, this, &SettingDlg::slotLink1);

    // The version string comes from a file: shown as plain text.
    ui->label_ver->setText(UpdateCheck::readLocal().version);
    ui->label_14->hide();
    ui->toolButton_20->hide();
    ui->stackedWidget->setCurrentIndex(1);
    ui->toolButton_21->setChecked(true);
    refreshBasicSettings();
}

SettingDlg::~SettingDlg()
{
    delete ui;
}

void SettingDlg::refreshBasicSettings()
{
    ui->cbAuto->setChecked(SettingsStore::autoLoginExists());
    ui->cbAuto_2->setChecked(g_autoStart);
}

void SettingDlg::setIndex(ClickFrame *frame)
{
    const struct
    {
        ClickFrame *frame;
        int page;
    } selectors[] = {{ui->frame_8, 1}, {ui->frame_5, 2}, {ui->frame_6, 0}};
    for (const auto &selector : selectors) {
        const bool selected = selector.frame == frame;
        SkinStyle::setState(selector.frame, "selected", selected);
        selector.frame->findChild<QToolButton *>()->setChecked(selected);
        if (selected)
            ui->stackedWidget->setCurrentIndex(selector.page);
    }
}

void SettingDlg::on_pushButton_2_clicked()
{
    if (ui->cbAuto->isChecked())
        SettingsStore::writeAutoLogin(g_account, g_password);
    else
        SettingsStore::removeAutoLogin();

    const bool wanted = ui->cbAuto_2->isChecked();
    if (wanted != g_autoStart) {
        const bool written = wanted ? Autostart::write(QCoreApplication::applicationFilePath())
                                    : Autostart::remove();
        // g_autoStart says whether the entry exists: a failed write leaves it
        // as it was, so the next "确定" tries again.
        if (written)
            g_autoStart = wanted;
    }
    close();
}

void SettingDlg::on_pushButton_clicked()
{
    close();
}

void SettingDlg::slotLink(const QString &)
{
    Desktop::instance().openUrl(QUrl(Hosts::webBase()));
}

void SettingDlg::slotLink1(const QString &)
{
    m_userDlg->show();
    m_userDlg->activateWindow();
}

void SettingDlg::on_toolButton_10_clicked()
{
    if (!m_update) {
        m_update = new UpdateFetch(this);
        connect(m_update, &UpdateFetch::finished, this, &SettingDlg::onUpdateChecked);
    }
    m_update->start();
}

// A manifest that does not verify is treated like a failed transfer.
void SettingDlg::onUpdateChecked(bool ok)
{
    if (!ok)
        return;
    const UpdateCheck::Offer offer = UpdateCheck::offer(m_update->manifest());
    if (offer.state == UpdateCheck::Offer::Current)
        showInformation(tr("您当前使用的已是最新版本!"));
    if (offer.state != UpdateCheck::Offer::Newer)
        return;
    ui->toolButton_20->show();
    ui->label_14->show();
    m_downList = offer.files;
}

void SettingDlg::on_toolButton_20_clicked()
{
    if (m_downList.isEmpty())
        return;
    // Quit only once the update program runs: otherwise the user would be
    // left with neither the old client nor an update.
    if (!Desktop::instance().startDetached(UpdateCheck::updaterPath(), UpdateCheck::updaterArguments(m_downList))) {
        showInformation(tr("更新程序无法启动"));
        return;
    }
    QCoreApplication::quit();
}

void SettingDlg::showInformation(const QString &text)
{
    MessageBox::information(this, tr("Nuvoxa"), text);
}

void SettingDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), SkinPicture::load(QStringLiteral("image/backx.png")));
}
