#include "login/widget.h"

#include "ui_widget.h"
#include "widgets/skinstyle.h"

#include "app/globals.h"
#include "app/numberinbox.h"
#include "callsdk.h"
#include "core/hosts.h"
#include "core/servicehttp.h"
#include "core/settingsstore.h"
#include "core/updatecheck.h"
#include "core/updatefetch.h"
#include "login/giflogin.h"
#include "login/mythread.h"
#include "mainwindow/mianwindow.h"
#include "platform/desktop.h"
#include "platform/paths.h"
#include "widgets/mylogin.h"
#include "widgets/skinpicture.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include "widgets/messagebox.h"
#include <QMovie>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPixmap>
#include <QTimer>
#include <QUrl>

#include <cstring>

namespace {

// Service answers are texts; a NUL ends them.
QString answerText(QByteArray body)
{
    const int nul = body.indexOf('\0');
    if (nul >= 0)
        body.truncate(nul);
    return QString::fromUtf8(body);
}

QString skinFile()
{
    return QStringLiteral("image/login.png");
}

}  // namespace

void Widget::prefetchSkin()
{
    // With it, what the style sheet draws on this window and its title bar.
    SkinPicture::prefetch(skinFile(), {QStringLiteral("image/user_1.png"), QStringLiteral("image/user_2.png"),
                                       QStringLiteral("image/min_1.png"), QStringLiteral("image/min_2.png"),
                                       QStringLiteral("image/close_1.png"), QStringLiteral("image/close_2.png"),
                                       QStringLiteral("image/pass_1.png"), QStringLiteral("image/pass_2.png"),
                                       QStringLiteral("image/loginbutton_1.png"),
                                       QStringLiteral("image/loginbutton_2.png")});
}

Widget::Widget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Widget)
    , m_validationTimeoutMs(ServiceHttp::DefaultTimeoutMs)
{
    // Before the form: set later, the flags re-parent the window, which
    // sends every child a style change (each combo box then builds its
    // drop-down list ahead of time).
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->setupUi(this);

    // The skin picture is the window: its transparent parts are cut away.
    // The outline is one bit deep, so the mask comes from the plain picture
    // at any scale; at 100 % that is the picture shown, decoded once.
    const QPixmap skin = SkinPicture::load(skinFile());
    if (!skin.isNull()) {
        m_outline = (skin.devicePixelRatio() == 1 ? skin : QPixmap(skinFile())).mask();
        QPalette palette = this->palette();
        palette.setBrush(QPalette::All, QPalette::Window, QBrush(skin));
        setPalette(palette);
        setMask(m_outline);
    }

    QMetaObject::invokeMethod(this, [] { callSdkPrewarm(); }, Qt::QueuedConnection);
    m_thread = new MyThread;
    connect(m_thread, &MyThread::rtGetServer, this, &Widget::rtGetServer, Qt::QueuedConnection);
    // Only a choice from the list fills the password, not typing.
    connect(ui->cbUsername, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { onComBobox(ui->cbUsername->itemText(index)); });

    setWindowTitle(tr("Nuvoxa"));
    ui->label_6->hide();
    ui->comboBox->hide();

    const QString registerUrl = Hosts::webBase() + QStringLiteral("/register.aspx");
    const QString forgetUrl = Hosts::webBase() + QStringLiteral("/forgetpwd.aspx");
    ui->label_5->setText(tr("<a href = %1>%2</a>").arg(registerUrl, tr("注册账号")));
    connect(ui->label_5, &QLabel::linkActivated, this, &Widget::slotLink_r);
    ui->label_2->setText(tr("<a href = %1>%2</a>").arg(forgetUrl, tr("忘记密码")));
    connect(ui->label_2, &QLabel::linkActivated, this, &Widget::slotLink_f);

    connect(ui->checkBox_2, &QCheckBox::clicked, this, &Widget::onCheckC);

    // The box's font and editing come after its list: either would make it
    // build the default drop-down list first, only to be replaced here.
    auto *list = new MyLogin;
    ui->cbUsername->setModel(list->model());
    ui->cbUsername->setView(list);
    QFont accountFont;
    accountFont.setFamily(QStringLiteral("微软雅黑"));
    accountFont.setPointSize(10);
    ui->cbUsername->setFont(accountFont);
    // Made editable, a box not yet sized takes its size hint, which its first
    // show computes anew: the layout sizes it.
    ui->cbUsername->setAttribute(Qt::WA_Resized);
    ui->cbUsername->setEditable(true);
    ui->cbUsername->setMaxCount(11);
    ui->cbUsername->lineEdit()->setMaxLength(15);
    ui->cbUsername->setContextMenuPolicy(Qt::NoContextMenu);
    ui->cbUsername->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    ui->lePassword->setMaxLength(30);
    ui->lePassword->setEchoMode(QLineEdit::Password);
    ui->lePassword->setTextMargins(3, 0, 0, 0);
    setTabOrder(ui->cbUsername, ui->lePassword);

    QPalette buttonPalette = ui->pbLogin->palette();
    buttonPalette.setColor(QPalette::ButtonText, Qt::white);
    ui->pbLogin->setPalette(buttonPalette);
    for (QWidget *box : {ui->checkBox, ui->checkBox_2})
        SkinStyle::keepWindowBrush(box);
    QPalette rememberPalette = ui->checkBox->palette();
    rememberPalette.setColor(QPalette::Active, QPalette::WindowText, QColor(7, 70, 123));
    rememberPalette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(7, 70, 123));
    rememberPalette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(118, 116, 108));
    ui->checkBox->setPalette(rememberPalette);

    // A number from a link waits for the main window; until the login the
    // user is shown where to log in.
    connect(&NumberInbox::instance(), &NumberInbox::arrived, this, [this] {
        if (!isVisible())
            return;
        showNormal();
        raise();
        activateWindow();
    });

    loadAccounts();
    startAdvertDownload();
    // The controls are polished when the window first shows.
    SkinPicture::claimForStyle();
}

Widget::~Widget()
{
    // The library call of a running login is bounded; let it return.
    m_thread->wait();
    delete m_thread;
    delete m_mainWindow;
    delete m_gifLogin;
    delete ui;
}

void Widget::setValidationTimeout(int ms)
{
    m_validationTimeoutMs = ms;
    if (m_loginHttp)
        m_loginHttp->setTimeoutMs(ms);
}

void Widget::loadAccounts()
{
    SettingsStore::Account automatic;
    if (SettingsStore::readAutoLogin(&automatic)) {
        ui->cbUsername->addItem(automatic.first);
        ui->lePassword->setText(automatic.second);
        ui->checkBox_2->setChecked(true);
        on_pbLogin_clicked();
        return;
    }
    // Without a login file nothing is remembered, not even the last login.
    if (!QFileInfo::exists(SettingsStore::loginFile()))
        return;

    const QList<SettingsStore::Account> logins = SettingsStore::readLogins();
    for (const SettingsStore::Account &login : logins) {
        m_acc.append(login);
        m_accPwd.insert(login.first, login.second);
    }
    for (const auto &login : qAsConst(m_acc))
        ui->cbUsername->addItem(login.first);

    if (!m_acc.isEmpty()) {
        const QString password = m_acc.last().second;
        if (!password.isEmpty())
            ui->checkBox->setChecked(true);
        ui->lePassword->setText(password);
    }
    const QList<SettingsStore::Account> lastLogins = SettingsStore::readLastLogins();
    for (const SettingsStore::Account &last : lastLogins) {
        ui->cbUsername->setEditText(last.first);
        ui->lePassword->setText(last.second);
        if (!last.second.isEmpty())
            ui->checkBox->setChecked(true);
    }
    ui->lePassword->setFocus();
    ui->checkBox->setChecked(!ui->lePassword->text().isEmpty());
}

GifLogin *Widget::progressWindow()
{
    if (m_gifLogin)
        return m_gifLogin;
    m_gifLogin = new GifLogin;
    m_gifLogin->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_movie = new QMovie(QStringLiteral("image/300600.gif"), QByteArray(), this);
    m_gifLogin->setMovie(m_movie);
    // The animation is drawn on the login window's outline.
    if (!m_outline.isNull())
        m_gifLogin->setMask(m_outline);
    return m_gifLogin;
}

void Widget::onComBobox(const QString &text)
{
    const auto found = m_accPwd.constFind(text);
    if (found == m_accPwd.constEnd())
        return;
    ui->lePassword->setText(found.value());
    ui->checkBox->setChecked(!found.value().isEmpty());
}

void Widget::onCheckC()
{
    ui->checkBox->setChecked(ui->checkBox_2->isChecked());
}

void Widget::on_pbLogin_clicked()
{
    if (ui->cbUsername->currentText().isEmpty()) {
        showMessage(tr("请输入账号"));
        return;
    }
    if (ui->lePassword->text().isEmpty()) {
        showMessage(tr("请输入密码"));
        return;
    }
    // The progress window takes the login window's place on the screen.
    GifLogin *progress = progressWindow();
    if (isVisible())
        progress->move(pos());
    hide();
    m_movie->start();
    progress->show();
    progress->activateWindow();
    g_account = ui->cbUsername->currentText();
    g_password = ui->lePassword->text();
    qDebug() << "login: looking up the voice server for" << g_account;
    m_thread->start(QThread::InheritPriority);
}

void Widget::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        on_pbLogin_clicked();
    event->accept();
}

void Widget::closeEvent(QCloseEvent *event)
{
    event->accept();
    exitReleasingGuard(1);
}

void Widget::openLink(const QString &path)
{
    Desktop::instance().openUrl(QUrl(Hosts::webBase() + path));
}

void Widget::slotLink_r(const QString &)
{
    openLink(QStringLiteral("/register.aspx"));
}

void Widget::slotLink_f(const QString &)
{
    openLink(QStringLiteral("/forgetpwd.aspx"));
}

void Widget::showMessage(const QString &text)
{
    MessageBox::information(this, tr("Nuvoxa"), text);
}

void Widget::endAttempt()
{
    show();
    m_movie->stop();
    m_gifLogin->close();
}

QString Widget::validationAddress()
{
    const char *pwd = getPwd();
    const QString pwdText = QString::fromUtf8(pwd ? pwd : "");

    const QByteArray input = (g_account + pwdText + QStringLiteral("rolo^_^")).toUtf8();
    char *buffer = new char[size_t(input.size()) + 1];
    std::memcpy(buffer, input.constData(), size_t(input.size()) + 1);
    Md5String(&buffer);
    const QString digest = QString::fromUtf8(buffer ? buffer : "");
    delete[] buffer;

    // Every value is percent-encoded: an account holding "&", "=", "#" or a
    // space must not add or cut query fields. The service decodes them.
    QByteArray address = Hosts::cloudBase().toUtf8();
    address += "/cloud/login.aspx?";
    address += "acct=" + QUrl::toPercentEncoding(g_account);
    address += "&pwd=" + QUrl::toPercentEncoding(pwdText);
    address += "&validate=" + QUrl::toPercentEncoding(digest);
    return QString::fromLatin1(address);
}

void Widget::rtGetServer()
{
    QByteArray account = g_account.toUtf8();
    QByteArray password = g_password.toUtf8();
    qDebug() << "login: registering with the voice server";
    if (loginServer(account.data(), password.data(), 1) == -1) {
        endAttempt();
        showMessage(tr("登录失败"));
        return;
    }

    const QString address = validationAddress();
    qDebug() << "login: validating with the service";
    if (!m_loginHttp) {
        m_loginHttp = new ServiceHttp(this);
        m_loginHttp->setTimeoutMs(m_validationTimeoutMs);
        connect(m_loginHttp, &ServiceHttp::done, this, &Widget::on_saveDone);
    }
    m_loginHttp->get(QUrl::fromEncoded(address.toLatin1(), QUrl::StrictMode));

    // One update check per run, whatever this login's outcome.
    if (!m_update) {
        m_update = new UpdateFetch(this);
        connect(m_update, &UpdateFetch::finished, this, &Widget::onUpdateChecked);
        m_update->start();
    }
}

void Widget::on_saveDone(bool error)
{
    if (error) {
        // The object stays for the next attempt.
        qDebug() << "login: validation transfer failed";
        callSdkDestroy();
        endAttempt();
        showMessage(tr("登录失败"));
        return;
    }
    const QString answer = answerText(m_loginHttp->readAll());
    m_loginHttp->deleteLater();
    m_loginHttp = nullptr;

    if (!answer.contains(QLatin1Char('|'))) {
        qDebug() << "login: refused by the service";
        callSdkDestroy();
        endAttempt();
        showMessage(tr("账号或密码错误"));
        return;
    }
    const QStringList fields = answer.split(QLatin1Char('|'), Qt::KeepEmptyParts);
    g_bindPhone = fields.value(0);
    g_balance = fields.value(1);
    m_movie->stop();
    m_gifLogin->close();

    const bool remember = ui->checkBox->isChecked();
    SettingsStore::saveLogin(g_account, g_password, remember, ui->checkBox_2->isChecked());
    hide();
    if (!m_mainWindow)
        m_mainWindow = new MianWindow;
    m_mainWindow->show();
    m_mainWindow->activateWindow();
    SettingsStore::saveLastLogin(g_account, g_password, remember);
}

void Widget::startAdvertDownload()
{
    const QString path = Paths::dataDir() + QStringLiteral("/hd.gif");
    QDir().mkpath(Paths::dataDir());
    // An image of an earlier run must not show if this run gets none.
    QFile::remove(path);

    // The request waits until the window is up: the first one loads the
    // toolkit's network plugins, which the window does not need to show.
    QTimer::singleShot(0, this, [this, path] {
        m_adManager = new QNetworkAccessManager(this);
        m_adUrl = Hosts::cloudBase() + QStringLiteral("/cloud/pc/app/hd.gif");
        m_adFile = new QFile(path, this);
        if (!m_adFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            gifDone(false);
            return;
        }
        m_adReply = m_adManager->get(QNetworkRequest(QUrl(m_adUrl)));
        connect(m_adReply, &QNetworkReply::finished, this, &Widget::httpFinished);
        connect(m_adReply, &QNetworkReply::readyRead, this, &Widget::httpReadyRead);
    });
}

void Widget::httpReadyRead()
{
    if (!m_adFile->isOpen() || m_adDiscarded)
        return;
    const QByteArray chunk = m_adReply->readAll();
    if (m_adFile->size() + chunk.size() > MaxAdvertBytes) {
        qDebug() << "advert: too large, discarded";
        m_adDiscarded = true;
        m_adReply->abort();
        return;
    }
    m_adFile->write(chunk);
    m_adFile->flush();
}

void Widget::httpFinished()
{
    httpReadyRead();
    m_adFile->close();
    if (m_adDiscarded) {
        m_adFile->remove();
        gifDone(false);
        return;
    }
    // Whatever body arrived counts, error page or not.
    gifDone(m_adFile->size() != 0);
}

void Widget::gifDone(bool ok)
{
    g_adReady = ok;
    if (!m_mainWindow)
        return;
    if (ok)
        m_mainWindow->showAdvert();
    else
        m_mainWindow->setFixedSize(300, 515);
}

// A manifest that does not verify counts as no answer: no question.
void Widget::onUpdateChecked(bool ok)
{
    if (!ok) {
        qDebug() << "update: no verified server manifest:" << m_update->detail();
        return;
    }
    offerUpdate(m_update->manifest());
}

void Widget::offerUpdate(const UpdateCheck::Manifest &server)
{
    const UpdateCheck::Offer offer = UpdateCheck::offer(server);
    if (offer.state != UpdateCheck::Offer::Newer)
        return;

    // The answer may come while the progress window stays on top.
    const auto answer = MessageBox::information(
        this, tr("Nuvoxa"), tr("有更新，是否更新!"), QMessageBox::Yes | QMessageBox::No,
        {{QMessageBox::Yes, tr("确定")}, {QMessageBox::No, tr("取消")}},
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    if (answer != QMessageBox::Yes || offer.files.isEmpty())
        return;
    // Quit only once the update program runs: otherwise nothing would take
    // our place.
    if (Desktop::instance().startDetached(UpdateCheck::updaterPath(), UpdateCheck::updaterArguments(offer.files)))
        QCoreApplication::quit();
    else
        showMessage(tr("更新程序无法启动"));
}
