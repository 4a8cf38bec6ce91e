#ifndef NUVOXA_WIDGETS_LEAVETIMEWIDGET_H
#define NUVOXA_WIDGETS_LEAVETIMEWIDGET_H

#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace Ui {
class leaveTimeWidget;
}

// The note shown beside the main window for a callback call: either "your
// phone will ring" or "bind a phone first" with a link to the bind page
// (`bindPage`; a click asks for it with bindRequested(), so the caller builds
// the address afresh). It closes itself six seconds after its text was last
// set.
class leaveTimeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit leaveTimeWidget(const QUrl &bindPage, QWidget *parent = nullptr);
    ~leaveTimeWidget() override;

    void showMessage(const QString &text);
    void setLinkVisible(bool visible);

signals:
    void bindRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onTimerOut();

private:
    Ui::leaveTimeWidget *ui;
    QTimer m_timer;
};

#endif
