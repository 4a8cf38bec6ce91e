#ifndef NUVOXA_UPDATER_UPDATEWINDOW_H
#define NUVOXA_UPDATER_UPDATEWINDOW_H

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class UpdateJob;

// The progress window of the update program: what is happening, which file
// is downloading, how far, and a button to cancel.
class UpdateWindow : public QWidget
{
    Q_OBJECT
public:
    explicit UpdateWindow(UpdateJob *job, QWidget *parent = nullptr);

    QString statusText() const;
    QString fileText() const;
    int progressValue() const;

public slots:
    void setStatus(const QString &text);
    void setProgress(const QString &entry, int index, int count, qint64 received, qint64 total);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    UpdateJob *m_job;
    QLabel *m_status;
    QLabel *m_file;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
};

#endif
