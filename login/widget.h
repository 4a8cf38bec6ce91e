#ifndef NUVOXA_LOGIN_WIDGET_H
#define NUVOXA_LOGIN_WIDGET_H

#include "core/updatecheck.h"

#include <QBitmap>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QWidget>

class GifLogin;
class MianWindow;
class MyThread;
class QFile;
class QMovie;
class QNetworkAccessManager;
class QNetworkReply;
class ServiceHttp;
class UpdateFetch;

namespace Ui {
class Widget;
}

// The login window: remembered accounts, the two-stage login, the
// advertisement download and the update check at login. Closing it ends the
// program.
class Widget : public QWidget
{
    Q_OBJECT
public:
    // Advertisement bodies beyond this are not an image we want on disk.
    static constexpr qint64 MaxAdvertBytes = 10 * 1024 * 1024;

    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

    // Starts decoding the window's picture on another thread, so that it
    // overlaps what start-up does before the window is built.
    static void prefetchSkin();

    // The time limit of the validation request (tests shorten it).
    void setValidationTimeout(int ms);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pbLogin_clicked();
    void slotLink_r(const QString &link);
    void slotLink_f(const QString &link);
    void on_saveDone(bool error);
    void onUpdateChecked(bool ok);
    void rtGetServer();
    void onComBobox(const QString &text);
    void httpReadyRead();
    void httpFinished();
    void gifDone(bool ok);
    void onCheckC();

private:
    void loadAccounts();
    void startAdvertDownload();
    GifLogin *progressWindow();
    void endAttempt();
    void showMessage(const QString &text);
    QString validationAddress();
    void offerUpdate(const UpdateCheck::Manifest &server);
    void openLink(const QString &path);

    Ui::Widget *ui;
    QList<QPair<QString, QString>> m_acc;
    QHash<QString, QString> m_accPwd;
    MianWindow *m_mainWindow = nullptr;
    // The progress window is built at the first login: a start never needs it.
    GifLogin *m_gifLogin = nullptr;
    QMovie *m_movie = nullptr;
    QBitmap m_outline;
    MyThread *m_thread = nullptr;
    ServiceHttp *m_loginHttp = nullptr;
    UpdateFetch *m_update = nullptr;
    int m_validationTimeoutMs;
    QNetworkAccessManager *m_adManager = nullptr;
    QNetworkReply *m_adReply = nullptr;
    QFile *m_adFile = nullptr;
    QString m_adUrl;
    bool m_adDiscarded = false;
};

#endif
