#pragma once

#include <QDate>

#include "base/calendar_date.h"

class QAction;
class QString;
class QWidget;

namespace kiruvan {

// Places a top-level window in the middle of the primary screen.
void centerOnScreen(QWidget& window);

// A hint is "short|long"; without a bar both parts are the same. The short part is the tool
// tip, the long part the status bar text.
void setHint(QAction& action, const QString& hint);

// A hidden widget keeps its room in the layout, so that its neighbours do not move when it
// shows.
void keepRoomWhenHidden(QWidget& widget);

// A day between the program's dates and the toolkit's.
QDate toQDate(Date day);
Date toDate(QDate day);

}  // namespace kiruvan
