// The floor of start-up for a Qt Widgets program on this machine: a
// frameless 300 x 600 label, the login window's size, without the X11
// OpenGL integration (the client turns it off too). The product benchmark
// starts it with the same probe as the client.
#include <QApplication>
#include <QLabel>

#include <cstdlib>

int main(int argc, char *argv[])
{
    setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Qt"));
    label.setWindowFlags(Qt::FramelessWindowHint);
    label.resize(300, 600);
    label.show();
    return app.exec();
}
