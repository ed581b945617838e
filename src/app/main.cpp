#include <QCoreApplication>

#include <memory>

#include "app/MAIN.h"
#include "app/USplashForm.h"
#include "app/kiruvan_application.h"

using namespace kiruvan;

int main(int argc, char** argv)
{
    KiruvanApplication app(argc, argv);

    // The data folder is the executable's own folder.
    TBrannock window(DataFolder(QCoreApplication::applicationDirPath().toStdString()));

    // The splash's own close must not end the program before the main window is up.
    app.setQuitOnLastWindowClosed(false);
    {
        TFSplashForm splash;
        splash.exec();
    }
    window.repaint();
    window.showMaximized();
    app.setQuitOnLastWindowClosed(true);
    return app.exec();
}
