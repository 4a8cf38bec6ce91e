#ifndef NUVOXA_SETTINGS_SETTINGDLG_H
#define NUVOXA_SETTINGS_SETTINGDLG_H

#include <QStringList>
#include <QWidget>
#include <memory>

class ClickFrame;
class UpdateFetch;
class UserDlg;

namespace Ui {
class SettingDlg;
}

// The settings window: basic settings (auto-login, start with the desktop
// session), the online upgrade page and the about page. Only the basic
// settings are stored, and only by "确定"; "确定" and "取消" hide the window,
// and the main window builds a fresh one for its next showing.
class SettingDlg : public QWidget
{
    Q_OBJECT
public:
    explicit SettingDlg(QWidget *parent = nullptr);
    ~SettingDlg() override;

    // Sets the two check boxes from what is stored: the autologin file and
    // g_autoStart. Run when the window is built and each time it is shown.
    void refreshBasicSettings();

    // The entries the last update check found on the server but not locally.
    QStringList downloadList() const { return m_downList; }

private slots:
    void setIndex(ClickFrame *frame);
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();
    void slotLink(const QString &link);
    void slotLink1(const QString &link);
    void on_toolButton_10_clicked();
    void on_toolButton_20_clicked();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void onUpdateChecked(bool ok);
    void showInformation(const QString &text);

    Ui::SettingDlg *ui;
    std::unique_ptr<UserDlg> m_userDlg;
    UpdateFetch *m_update = nullptr;
    QStringList m_downList;
};

#endif
