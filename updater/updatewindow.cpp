#include "updater/updatewindow.h"

#include "updater/updatejob.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

UpdateWindow::UpdateWindow(UpdateJob *job, QWidget *parent)
    : QWidget(parent)
    , m_job(job)
    , m_status(new QLabel(this))
    , m_file(new QLabel(this))
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(tr("取消"), this))
{
    setWindowTitle(tr("Nuvoxa 在线升级"));
    setFixedSize(400, 150);
    // File names come from the server: never interpret them.
    m_status->setTextFormat(Qt::PlainText);
    m_file->setTextFormat(Qt::PlainText);
    m_file->setWordWrap(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 14);
    layout->addWidget(m_status);
    layout->addWidget(m_file);
    layout->addWidget(m_bar);
    layout->addStretch();
    layout->addLayout(buttons);

    if (m_job) {
        connect(m_job, &UpdateJob::status, this, &UpdateWindow::setStatus);
        connect(m_job, &UpdateJob::progress, this, &UpdateWindow::setProgress);
        connect(m_cancel, &QPushButton::clicked, m_job, &UpdateJob::cancel);
        connect(m_job, &UpdateJob::finished, m_cancel, [this] { m_cancel->setEnabled(false); });
    }
}

QString UpdateWindow::statusText() const
{
    return m_status->text();
}

QString UpdateWindow::fileText() const
{
    return m_file->text();
}

int UpdateWindow::progressValue() const
{
    return m_bar->value();
}

void UpdateWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

void UpdateWindow::setProgress(const QString &entry, int index, int count, qint64 received,
                               qint64 total)
{
    m_status->setText(tr("正在下载更新文件（%1/%2）").arg(index + 1).arg(count));
    m_file->setText(m_file->fontMetrics().elidedText(entry, Qt::ElideMiddle, 360));
    m_file->setToolTip(entry);
    // Whole files done plus the share of the current one; an unknown size
    // counts as not started.
    const double part = total > 0 ? double(received) / double(total) : 0.0;
    m_bar->setValue(count > 0 ? int((index + part) * 100.0 / count) : 0);
}

void UpdateWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window is cancelling; the program ends when the job does.
    if (m_job && !m_job->succeeded() && m_job->error().isEmpty())
        m_job->cancel();
    event->accept();
}
