#include "mainwindow/mianwindow.h"

#include "app/accountpages.h"
#include "app/globals.h"
#include "app/numberinbox.h"
#include "callsdk.h"
#include "mainwindow/callstate.h"
#include "mainwindow/incomingcall.h"
#include "platform/desktop.h"
#include "platform/paths.h"
#include "records/addfriend.h"
#include "records/lazyrows.h"
#include "records/nofocusdelegate.h"
#include "core/recordwriter.h"
#include "records/rowtexts.h"
#include "audio/hltestaudio.h"
#include "audio/mystyle.h"
#include "audio/volumebar.h"
#include "audio/volumecontrol.h"
#include "settings/settingdlg.h"
#include "ui_mianwindow.h"
#include "widgets/accessibletab.h"
#include "widgets/hlmenu.h"
#include "widgets/leavetimewidget.h"
#include "widgets/mylabel.h"
#include "widgets/skinpicture.h"

#include <QApplication>
#include <QBitmap>
#include <QMovie>
#include <QRegExpValidator>

namespace {

// Normal picture, then the same declarations for hover and pressed.
QString keyStyle(const QString &normal, const QString &hover)
{
    const QString rule = QStringLiteral(
        "{border-image:url(%1);border-style:none;background-color:transparent;border-width:1px;}");
    return QStringLiteral("QToolButton") + rule.arg(normal) + QStringLiteral(" QToolButton:hover")
           + rule.arg(hover) + QStringLiteral(" QToolButton:pressed") + rule.arg(hover);
}

QString keyStyle(const QString &normal)
{
    QString hover = normal;
    hover.replace(QStringLiteral(".png"), QStringLiteral("-1.png"));
    return keyStyle(normal, hover);
}

QString tabStyle(const QString &checked, const QString &unchecked)
{
    return QStringLiteral("QToolButton:checked{border-style:none;background-color:transparent;"
                          "image:url(%1);}  QToolButton{border-style:none;background-color:"
                          "transparent;image:url(%2);}")
        .arg(checked, unchecked);
}

QString pictureStyle(const QString &picture)
{
    return QStringLiteral("QToolButton{border-style:none;border-image:url(%1);}").arg(picture);
}

}  // namespace

MianWindow::MianWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MianWindow)
{
    ui->setupUi(this);
    resize(300, 575);
    setMinimumHeight(575);
    setMaximumHeight(575);
    ui->stackedWidget->setCurrentIndex(0);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    const QPixmap outline(QStringLiteral("image/main.png"));
    QPalette windowPalette = palette();
    windowPalette.setBrush(QPalette::All, backgroundRole(),
                           QBrush(SkinPicture::load(QStringLiteral("image/main.png"))));
    setPalette(windowPalette);
    if (!outline.isNull())
        setMask(outline.mask());

    setUpRecordLists();
    connect(ui->listWidget_3, &QWidget::customContextMenuRequested, this, &MianWindow::customMune);

    ui->leInput->setContextMenuPolicy(Qt::NoContextMenu);
    for (QListWidget *list : {ui->listWidget, ui->listWidget_3}) {
        QPalette listPalette = list->palette();
        listPalette.setColor(QPalette::Active, QPalette::Highlight, QColor(234, 233, 215));
        list->setPalette(listPalette);
    }

    connect(&m_balanceTimer, &QTimer::timeout, this, &MianWindow::onTimerOut2);

    OnCallState(callStateChanged);
    setUpIncomingCalls();
    // A child by name: the end-to-end test places calls right after a poll.
    m_pollTimer.setParent(this);
    m_pollTimer.setObjectName(QStringLiteral("pollTimer"));
    connect(&m_pollTimer, &QTimer::timeout, this, &MianWindow::onTimerOut);
    m_pollTimer.start(3000);
    connect(&m_callTimer, &QTimer::timeout, this, &MianWindow::onTimerOut_1);

    g_autoStart = g_autoStart || Autostart::exists();

    ui->tbYu->setToolTip(tr("个人中心"));
    ui->tbSetting->setToolTip(tr("基本设置"));
    ui->tbTest->setToolTip(tr("语音测试"));
    ui->tbChong->setToolTip(tr("充值"));
    ui->label->setTextFormat(Qt::PlainText);
    ui->label->setText(g_account);
    ui->pushButton_3->hide();
    setWindowTitle(tr("Nuvoxa"));

    ui->horizontalSlider->setStyle(new MyStyle(true, ui->horizontalSlider));
    ui->horizontalSlider_2->setStyle(new MyStyle(true, ui->horizontalSlider_2));

    // Number field.
    ui->leInput->setMaxLength(25);
    QMargins margins = ui->leInput->textMargins();
    margins.setRight(50);
    ui->leInput->setTextMargins(margins);
    ui->leInput->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("[0-9#*+]*"), Qt::CaseSensitive), this));
    QPalette inputPalette = ui->leInput->palette();
    inputPalette.setColor(QPalette::Active, QPalette::Text, Qt::white);
    inputPalette.setColor(QPalette::Inactive, QPalette::Text, Qt::white);
    inputPalette.setColor(QPalette::Disabled, QPalette::Text, QColor(118, 116, 108));
    ui->leInput->setPalette(inputPalette);
    ui->leInput->setStyleSheet(QStringLiteral("QLineEdit{border-image:url(image/inpp.png)}"));

    // Pictures of every button.
    const QString keyImages[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "11", "0", "12"};
    QToolButton *const keys[] = {ui->d1, ui->d2, ui->d3, ui->d4,  ui->d5,  ui->d6,
                                 ui->d7, ui->d8, ui->d9, ui->d10, ui->d11, ui->d12};
    for (int i = 0; i < 12; ++i)
        keys[i]->setStyleSheet(keyStyle(QStringLiteral("image/keyboard/%1.png").arg(keyImages[i])));
    ui->tbAdd->setStyleSheet(keyStyle(QStringLiteral("image/addf.png"), QStringLiteral("image/addf1.png")));
    ui->tbDel->setStyleSheet(keyStyle(QStringLiteral("image/delx.png"), QStringLiteral("image/delx1.png")));
    ui->d13->setStyleSheet(keyStyle(QStringLiteral("image/wcall.png")));
    ui->d14->setStyleSheet(keyStyle(QStringLiteral("image/hcall.png")));
    ui->d13->setToolTip(tr("网络直拨"));
    ui->d14->setToolTip(tr("回拨"));
    ui->tb2_2->setStyleSheet(tabStyle(QStringLiteral("image/lphone.png"), QStringLiteral("image/lphone-1.png")));
    ui->tb2->setStyleSheet(tabStyle(QStringLiteral("image/dphone.png"), QStringLiteral("image/dphone-1.png")));
    ui->tb3->setStyleSheet(tabStyle(QStringLiteral("image/tphone.png"), QStringLiteral("image/tphone-1.png")));
    ui->toolButton_3->setStyleSheet(pictureStyle(QStringLiteral("image/touxiang.png")));
    ui->tbY->setStyleSheet(pictureStyle(QStringLiteral("image/ye.png")));
    ui->tbChong->setStyleSheet(pictureStyle(QStringLiteral("image/chongzhi.png")));
    ui->tbTest->setStyleSheet(pictureStyle(QStringLiteral("image/yuyinceshi1.png")));
    ui->tbYu->setStyleSheet(pictureStyle(QStringLiteral("image/yuer.png")));
    ui->tbSetting->setStyleSheet(pictureStyle(QStringLiteral("image/setting.png")));
    ui->toolButton->setStyleSheet(QStringLiteral(
        "QToolButton{border-style:none;border-image:url(image/tbAudio.png);} "
        "QToolButton:checked{border-style:none;border-image:url(image/tbAudio1.png);}"));
    ui->toolButton_2->setStyleSheet(QStringLiteral(
        "QToolButton{border-style:none;border-image:url(image/tbMk.png);} "
        "QToolButton:checked{border-style:none;border-image:url(image/tbMk1.png);}"));
    ui->pushButton_3->setStyleSheet(QStringLiteral(
        "QPushButton{border-style:none;border-image:url(image/tbHangup.png);border-width:0px;} "
        "QPushButton:hover{border-style:none;border-image:url(image/tbHangup1.png);border-width:0px;}"));
    ui->widget_3->setStyleSheet(QStringLiteral(
        "QWidget#widget_3{border-style:none;border-image:url(image/back1.png);border-width:1px;}"));
    ui->widget_4->setStyleSheet(QStringLiteral(
        "QWidget#widget_4{border-style:none;border-image:url(image/back.png);border-width:1px;}"));
    ui->listWidget->setStyleSheet(QStringLiteral(
        "QListWidget{border-style:none;border-image:url(image/back1.png);border-width:1px;}"));

    for (QToolButton *button : {ui->toolButton, ui->toolButton_2, ui->tb2, ui->tb3, ui->tb2_2})
        button->setCheckable(true);
    for (QToolButton *tab : {ui->tb2_2, ui->tb2, ui->tb3})
        AccessibleTab::mark(tab);
    ui->tb2->setChecked(true);

    loadHistory();

    m_callTime = QTime(0, 0, 0);
    showBindPhone();
    m_volume = new VolumeControl;
    m_volumeBar = new VolumeBar(m_volume, ui->horizontalSlider, ui->horizontalSlider_2,
                                ui->toolButton, ui->toolButton_2, this);
    setupTray();

    for (QListWidget *list : {ui->listWidget_2, ui->listWidget, ui->listWidget_3})
        list->setItemDelegate(new NoFocusDelegate(list));
    ui->listWidget_2->setStyleSheet(
        QStringLiteral("background-color:white;border-style:none;border-color:white;"));
    QPalette hintPalette = ui->listWidget_2->palette();
    hintPalette.setColor(QPalette::All, QPalette::Text, QColor(28, 108, 216));
    ui->listWidget_2->setPalette(hintPalette);

    showBalance();
    connect(ui->leInput, &QLineEdit::textChanged, this, &MianWindow::onInPutText);
    connect(ui->listWidget_2, &QListWidget::itemClicked, this, &MianWindow::onItemClicked);
    fillHintList();

    m_addFriend = new AddFriend;
    connect(m_addFriend, &AddFriend::dataString, this, &MianWindow::dataString);
    loadContacts();

    // Raise order: the header sits above the stacked pages that reach under it.
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->stackedWidget, ui->widget, ui->toolButton_3, ui->label, ui->tbTest, ui->tbYu,
             ui->tbSetting, ui->label_2, ui->tb2_2, ui->tb2, ui->tb3, ui->tbY, ui->label_3,
             ui->tbChong})
        w->raise();

    if (g_adReady)
        showAdvert();
    else
        setFixedSize(300, 515);

    connect(&NumberInbox::instance(), &NumberInbox::arrived, this, &MianWindow::takeLinkNumber);
    qApp->installEventFilter(this);
}

MianWindow::~MianWindow()
{
    // The next window, maybe of another account, reads the files afresh.
    RecordWriter::instance().flush();
    OnCallState(nullptr);
    OnIncomingCall(nullptr);
    delete m_incoming;
    delete m_settingDlg;
    delete m_volumeBar;
    delete m_volume;
    delete m_callPopup;
    delete m_trayMenu;
    delete m_addFriend;
    delete m_historyRows;
    delete m_contactRows;
    delete m_historyTexts;
    delete m_contactTexts;
    delete m_historyMenu;
    delete m_contactMenu;
    delete m_contactMenuStyle;
    delete ui;
}

void MianWindow::showAdvert()
{
    setFixedSize(300, 575);
    auto *label = new MyLabel(this);
    connect(label, &MyLabel::clicked, this,
            [] { AccountPages::open(AccountPages::withToken(QStringLiteral("/free_call.aspx?v="))); });
    label->setGeometry(6, 515, 288, 53);
    label->show();
    auto *movie = new QMovie(label);
    movie->setFileName(Paths::dataDir() + QStringLiteral("/hd.gif"));
    movie->setScaledSize(QSize(288, 53));
    label->setMovie(movie);
    movie->start();
}

void MianWindow::on_tb2_toggled(bool checked)
{
    if (!checked)
        return;
    ui->stackedWidget->setCurrentIndex(0);
    ui->tb3->setChecked(false);
    ui->tb3->setEnabled(true);
    ui->tb2_2->setChecked(false);
    ui->tb2_2->setEnabled(true);
    ui->tb2->setEnabled(false);
}

void MianWindow::on_tb3_toggled(bool checked)
{
    if (!checked)
        return;
    ui->stackedWidget->setCurrentIndex(1);
    ui->tb2->setChecked(false);
    ui->tb2->setEnabled(true);
    ui->tb2_2->setChecked(false);
    ui->tb2_2->setEnabled(true);
    ui->tb3->setEnabled(false);
}

void MianWindow::on_tb2_2_toggled(bool checked)
{
    if (!checked)
        return;
    ui->stackedWidget->setCurrentIndex(2);
    ui->tb3->setChecked(false);
    ui->tb3->setEnabled(true);
    ui->tb2->setChecked(false);
    ui->tb2->setEnabled(true);
    ui->tb2_2->setEnabled(false);
}

void MianWindow::on_tbSetting_clicked()
{
    if (m_settingDlg) {
        if (m_settingDlg->isVisible()) {
            m_settingDlg->show();
            m_settingDlg->activateWindow();
        } else {
            // A hidden dialog is replaced, so it shows the current settings.
            delete m_settingDlg;
            m_settingDlg = nullptr;
        }
    }
    if (!m_settingDlg)
        m_settingDlg = new SettingDlg;
    m_settingDlg->show();
    m_settingDlg->refreshBasicSettings();
    m_settingDlg->activateWindow();
}

void MianWindow::on_tbTest_clicked()
{
    HLTestAudio dialog;
    dialog.exec();
}
