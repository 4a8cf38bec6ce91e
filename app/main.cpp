#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    Startup::readFontConfigurationAhead();
    QApplication app(argc, argv);
    return Startup::run(app, app.arguments());
}
