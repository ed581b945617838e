#include "app/kiruvan_application.h"

#include <QMessageBox>

#include <exception>

#include "app/app_pictures.h"

namespace kiruvan {

KiruvanApplication::KiruvanApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Kiruvan");
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
