#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>

class QDialog;
class QPushButton;
class QWidget;

namespace kiruvan::gui {

// A fixed dialog border with only the close box, centred on the screen; the size is the
// layout's own unless one is given.
void makeFixedDialog(QDialog* dialog, QSize size = {});

// A push button that Enter does not press: no button of these dialogs is a default one.
QPushButton* plainButton(const QString& caption, QWidget* parent);

// Gives a widget the name that tests and style rules find it by.
template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Runs a user action; a failure is shown in the program's error box and the window stays usable.
// Catching here keeps exceptions from unwinding through the toolkit's signal code.
void runGuarded(const std::function<void()>& action);

// The job a dialog runs (an import, a backtest). While it runs, neither Escape, the close box
// nor a second start may start, close or re-enter anything.
class RunningJob {
public:
    bool running() const { return running_; }

    // Starts the job; false, changing nothing, when one is running.
    bool start();
    void finish() { running_ = false; }

    // The user asked the job to stop; it runs on until it reaches a point where it can.
    void requestStop()
    {
        stopRequested_ = true;
        toggled_.start();
    }

    // True within the double-click interval after the start or the request to stop: a second
    // click there is the rest of the double click that did it, not a command of its own (the
    // button it lands on may have turned from Start to Abort, or back).
    bool justToggled() const;

private:
    bool running_ = false;
    bool stopRequested_ = false;
    QElapsedTimer toggled_;
};

// While alive, what the user types or clicks anywhere in the program is dropped instead of
// being queued, for a job that runs on the window's thread and only lets the windows repaint:
// queued input would otherwise be carried out after the job, on the state it left.
class DroppedInput : public QObject {
public:
    DroppedInput();
    ~DroppedInput() override;
    DroppedInput(const DroppedInput&) = delete;
    DroppedInput& operator=(const DroppedInput&) = delete;

    // Repaints and handles whatever is pending; the user's input among it is dropped.
    void processEvents();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kiruvan::gui
