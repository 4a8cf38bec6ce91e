#ifndef NUVOXA_WIDGETS_LEAVETIMEWIDGET_H
#define NUVOXA_WIDGETS_LEAVETIMEWIDGET_H

#include <QTimer>
#include <QWidget>

namespace Ui {
class leaveTimeWidget;
}

// The note shown beside the main window for a callback call: either "your
// phone will ring" or "bind a phone first" with a link to the bind page. It
// closes itself six seconds after its text was last set.
class leaveTimeWidget : public QWidget
{
    Q_OBJECT
public:
    explicit leaveTimeWidget(QWidget *parent = nullptr);
    ~leaveTimeWidget() override;

    void showMessage(const QString &text);
    void setLinkVisible(bool visible);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void onTimerOut();
    void slotLink(const QString &link);

private:
    Ui::leaveTimeWidget *ui;
    QTimer m_timer;
};

#endif
