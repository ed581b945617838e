#include "widgets/kiruvan_application.h"

#include <QLocale>
#include <QMessageBox>

#include <clocale>
#include <exception>

#include <unistd.h>

#include "widgets/app_pictures.h"

namespace kiruvan {

// Settings the web engine reads only before the application object exists.
int& KiruvanApplication::prepareWebEngine(int& argc)
{
#ifdef KIRUVAN_HAS_WEB
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The browser's sandbox refuses to start for the super-user; only then it is turned off.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    return argc;
}

KiruvanApplication::KiruvanApplication(int& argc, char** argv) : QApplication(prepareWebEngine(argc), argv)
{
    setApplicationName("Kiruvan");
    // Numbers are read and written with "." whatever the user's locale; our own readers never
    // look at the locale, and this keeps the C library and Qt's widgets from disagreeing with
    // them. Set here, once, because the toolkit's start-up has just taken the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    setWindowIcon(pictureIcon(Picture::Backtest));
}

bool KiruvanApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError("An unexpected error occurred.");
    }
    return false;
}

void KiruvanApplication::showError(const QString& message)
{
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
}

}  // namespace kiruvan
