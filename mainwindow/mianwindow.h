#ifndef NUVOXA_MAINWINDOW_MIANWINDOW_H
#define NUVOXA_MAINWINDOW_MIANWINDOW_H

#include "mainwindow/keyhold.h"
#include "records/callrecord.h"

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTime>
#include <QTimer>
#include <QWidget>

namespace Ui {
class MianWindow;
}
class HLMenu;
class QKeyEvent;
class QListWidgetItem;
class QMenu;
class QAction;
class leaveTimeWidget;
class SettingDlg;
class VolumeBar;
class VolumeControl;
class AddFriend;
class LazyRows;
class RowTexts;
class MyMenu;
class IncomingCall;

// The dialler window: account header, dial pad, history and contacts pages,
// calls, tray. Created once after the first successful login; it reads the
// account state from the process-wide values.
class MianWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MianWindow(QWidget *parent = nullptr);
    ~MianWindow() override;

    // Shows the downloaded advertisement under the dialler (300 x 575).
    void showAdvert();
    // The four hint lines of the dial page, appended to what it shows.
    void fillHintList();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_d1_clicked();
    void on_d2_clicked();
    void on_d3_clicked();
    void on_d4_clicked();
    void on_d5_clicked();
    void on_d6_clicked();
    void on_d7_clicked();
    void on_d8_clicked();
    void on_d9_clicked();
    void on_d10_clicked();
    void on_d11_released();
    void on_d12_clicked();
    void on_d13_clicked();
    void on_d14_clicked();
    void on_tbDel_pressed();
    void on_tbDel_released();
    void on_tb2_toggled(bool checked);
    void on_tb3_toggled(bool checked);
    void on_tb2_2_toggled(bool checked);
    void on_d11_pressed();
    void onTimerOut();
    void onTimerOut_1();
    void onTimerOut2();
    void on_pushButton_3_clicked();
    void onWphone(const QString &text);
    void onHphone(const QString &text);
    void on_tbYu_clicked();
    void on_tbSetting_clicked();
    void on_tbTest_clicked();
    void on_tbChong_clicked();
    void slotLink(const QString &link);
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void onExit();
    void onItemClicked(QListWidgetItem *item);
    void onInPutText(const QString &text);
    void onLinkActivated(const QString &link);
    void dataString(const QString &name, const QString &phone, bool save);
    void on_tbAdd_clicked();
    void onDelete();
    void onDeleteAll();
    void emitDelete(QListWidgetItem *item);
    void onPstn();
    void onHuibo();
    void onEditf();
    void onDeletef();
    void customMune(const QPoint &pos);
    void onClickedFun(const PHONEDATA &data, QListWidgetItem *item);
    void dataEmit(const QString &name, const QString &num);

private:
    void pressKey(QChar key);
    // Puts text into the number field as the keys do: over the selection or
    // at the cursor, blanks dropped, at most the field's length.
    void insertIntoField(const QString &text);
    // The keyboard on the dial page; true when the key was taken.
    bool dialKey(const QKeyEvent *event);
    void pasteNumber();
    // A number from a link or the command line: shown, never dialled.
    void takeLinkNumber();
    void showLinkNumber(const QString &number);
    bool callKeysBlocked();
    void directCall();
    void callbackCall();
    void showInvalidNumber();
    void showCallFailed();
    void showCallPopup(const QString &message, bool withLink);
    void refreshBalance();
    void showBalance();
    void showBindPhone();
    void showBoundNumber();
    void setupTray();
    // Writes the call to the history ("out", "in" or "miss"); the history
    // store fills it in.
    void addHistoryEntry(const QString &number, const QString &type = QStringLiteral("out"));
    // The newest history entry's number, empty when there is none.
    QString newestHistoryNumber() const;
    void endCallDisplay();
    void setUpRecordLists();
    CallRecord *makeRecord(QListWidgetItem *item);
    void loadHistory();
    void loadContacts();
    QListWidgetItem *appendContact(const QString &name, const QString &phone);
    QString saveContactGroup(const QString &name, const QString &phone);
    void removeContactGroup(const QString &group);
    void removeHistoryGroup(const QString &number, const QString &type);
    void setUpIncomingCalls();
    void onRinging(const QString &number, const QString &displayName);
    void onIncomingAnswered(const QString &number);
    void onIncomingMissed(const QString &number);
    // Shows the main window from the tray (or wherever it is) on top.
    void bringToFront();
    void notify(const QString &summary, const QString &body);
    bool askYesNo(const QString &question);
    QListWidgetItem *currentContact() const;

    Ui::MianWindow *ui;
    KeyHold m_keyHold;
    QString m_callee;
    QTime m_callTime;
    QTimer m_pollTimer;
    QTimer m_callTimer;
    QTimer m_balanceTimer;
    leaveTimeWidget *m_callPopup = nullptr;
    QPointer<QSystemTrayIcon> m_trayIcon;
    QAction *m_exitAction = nullptr;
    QMenu *m_trayMenu = nullptr;
    HLMenu *m_historyMenu = nullptr;
    HLMenu *m_contactMenu = nullptr;
    MyMenu *m_contactMenuStyle = nullptr;
    RecordMenus m_recordMenus;
    // History index: number + type (UTF-8) to the entry's row.
    QMap<QByteArray, QListWidgetItem *> m_recordMap;
    LazyRows *m_historyRows = nullptr;
    LazyRows *m_contactRows = nullptr;
    RowTexts *m_historyTexts = nullptr;
    RowTexts *m_contactTexts = nullptr;
    AddFriend *m_addFriend = nullptr;
    SettingDlg *m_settingDlg = nullptr;
    VolumeControl *m_volume = nullptr;
    VolumeBar *m_volumeBar = nullptr;
    IncomingCall *m_incoming = nullptr;
    // Flashes the tray icon while a call rings and the window is hidden.
    QTimer m_trayFlash;
    bool m_trayFlashOn = false;
};

#endif
