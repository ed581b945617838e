#pragma once

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

// Runs a user action; a failure is shown in the program's error box and the window stays usable.
// Catching here keeps exceptions from unwinding through the toolkit's signal code.
void runGuarded(const std::function<void()>& action);

}  // namespace kiruvan::gui
