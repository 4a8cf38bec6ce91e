#include "audio/hltestaudio.h"

#include "audio/audiotestring.h"
#include "audio/audiotestth.h"
#include "ui_hltestaudio.h"
#include "widgets/skinpicture.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace {

// Playback starts this long after capture, so the user hears a sentence
// about a second after saying it.
constexpr unsigned long HeadStartMs = 800;

}  // namespace

HLTestAudio::HLTestAudio(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::HLTestAudio)
{
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint);
    g_audioTestRing.resetCursors();
    ui->pushButtonx->setCheckable(true);
    if (auto *caption = ui->widget->findChild<QLabel *>(QStringLiteral("label")))
        caption->setText(tr("  语音测试"));
    ui->label_2->hide();
    setWindowTitle(tr("语音测试"));
}

HLTestAudio::~HLTestAudio()
{
    // Dismissed without a close event (Escape) while testing: the workers
    // must not outlive their dialog.
    if (m_capture || m_playback)
        stopTest();
    delete ui;
}

void HLTestAudio::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), SkinPicture::load(QStringLiteral("image/newChatBack.png")));
}

void HLTestAudio::closeEvent(QCloseEvent *event)
{
    ui->pushButtonx->setChecked(false);
    QDialog::closeEvent(event);
}

void HLTestAudio::on_pushButtonx_toggled(bool checked)
{
    if (checked)
        startTest();
    else
        stopTest();
}

void HLTestAudio::on_pbClose_clicked()
{
    close();
}

void HLTestAudio::startTest()
{
    g_audioTestRing.stop.store(false);
    ui->pushButtonx->setText(tr("停止测试"));
    ui->label_2->show();
    if (!m_capture)
        m_capture = new AudioTestTh;
    if (!m_playback)
        m_playback = new AudioTestTh1;
    m_capture->start();
    QThread::msleep(HeadStartMs);
    m_playback->start();
}

void HLTestAudio::stopTest()
{
    ui->pushButtonx->setText(tr("开始测试"));
    ui->label_2->hide();
    g_audioTestRing.stop.store(true);
    // Each worker ends within one cycle: every wait in a cycle gives up on
    // the stop flag.
    if (m_capture)
        m_capture->wait();
    if (m_playback)
        m_playback->wait();
    delete m_capture;
    delete m_playback;
    m_capture = nullptr;
    m_playback = nullptr;
    g_audioTestRing.stop.store(false);
    // Nothing captured now may be played at the next start.
    g_audioTestRing.clearBlocks();
}
