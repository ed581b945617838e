#pragma once

#include <QApplication>

namespace kiruvan {

// The application object. It sets the process's number conventions at start-up, and it is the
// program's general error box: an exception that escapes an event handler ends that user action
// and is shown in an error box; the window stays usable.
class KiruvanApplication : public QApplication {
    Q_OBJECT
public:
    KiruvanApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The error box itself, also for code that catches an error and wants it shown the same way.
    static void showError(const QString& message);

private:
    static int& prepareWebEngine(int& argc);
};

}  // namespace kiruvan
