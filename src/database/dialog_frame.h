#pragma once

#include <QString>
#include <functional>

class QDialog;
class QPushButton;
class QWidget;

namespace kiruvan::gui {

// A fixed dialog border with only the close box, centred over its parent or the screen.
void makeFixedDialog(QDialog* dialog);

// A push button that Enter does not press: no button of these dialogs is a default one.
QPushButton* plainButton(const QString& caption, QWidget* parent);

// Runs a user action; a failure is shown in an error box and the window stays usable.
void runGuarded(QWidget* window, const std::function<void()>& action);

}  // namespace kiruvan::gui
