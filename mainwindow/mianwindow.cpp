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
#include "widgets/skinstyle.h"

#include <QApplication>
#include <QBitmap>
#include <QMovie>
#include <QRegExpValidator>

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

    SkinStyle::keepWindowBrush(ui->listWidget_3);
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

    ui->d13->setToolTip(tr("网络直拨"));
    ui->d14->setToolTip(tr("回拨"));
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
