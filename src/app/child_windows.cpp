#include "app/MAIN.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStyle>

#include <algorithm>

#include "widgets/window_layout.h"

namespace kiruvan {
namespace {

QRect toQRect(const Rect& r)
{
    return {r.x, r.y, r.width, r.height};
}
Rect toRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// The child windows not hidden, topmost first, split into normal and minimized ones.
struct ChildWindows {
    QList<QMdiSubWindow*> normal;
    QList<QMdiSubWindow*> minimized;
};

ChildWindows visibleChildWindows(const QMdiArea& area)
{
    ChildWindows children;
    const QList<QMdiSubWindow*> stack = area.subWindowList(QMdiArea::StackingOrder);
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if ((*it)->isHidden())
            continue;
        ((*it)->isMinimized() ? children.minimized : children.normal).append(*it);
    }
    return children;
}

// The viewport less the row of minimized windows at its bottom.
QRect normalWindowArea(const QMdiArea& area, const ChildWindows& children)
{
    QRect rect = area.viewport()->rect();
    if (!children.minimized.isEmpty())
        rect.setHeight(rect.height() - children.minimized.first()->height());
    return rect;
}

Size toSize(const QSize& s)
{
    return {s.width(), s.height()};
}

// A cascade steps by one title bar, so that each window's caption stays readable.
int cascadeStep(const QMdiSubWindow& window)
{
    return window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
}

}  // namespace

// The window list at the end of the Window menu, in opening order and numbered, so that a
// window is reached by its number's key.
void TBrannock::rebuildWindowList()
{
    for (QAction* action : windowListActions_)
        Window1->removeAction(action);
    qDeleteAll(windowListActions_);
    windowListActions_.clear();

    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    windowListActions_.append(Window1->addSeparator());
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QAction* item = Window1->addAction(QString("&%1 %2").arg(number++).arg(window->windowTitle()));
        // Only the active window carries a check mark: the list tells which one has the focus.
        if (window == mdiArea_->activeSubWindow()) {
            item->setCheckable(true);
            item->setChecked(true);
        }
        connect(item, &QAction::triggered, this, [this, window] { mdiArea_->setActiveSubWindow(window); });
        windowListActions_.append(item);
    }
}

QList<QWidget*> TBrannock::childWindowContents() const
{
    QList<QWidget*> contents;
    for (QMdiSubWindow* window : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (window->widget())
            contents.append(window->widget());
    }
    return contents;
}

// The area's own placement avoids overlaps and so puts a large window below the others, out
// of sight: a new window takes its cascade place instead.
QMdiSubWindow* TBrannock::addChildWindow(QWidget* window, QSize size)
{
    QMdiSubWindow* child = mdiArea_->addSubWindow(window);
    child->setAttribute(Qt::WA_DeleteOnClose);
    if (size.isValid())
        child->resize(size);
    window->show();
    const auto index = static_cast<int>(mdiArea_->subWindowList().size()) - 1;
    const Rect place =
        newWindowPlace(index, toSize(child->size()), cascadeStep(*child), toRect(mdiArea_->viewport()->rect()));
    child->move(place.x, place.y);
    return child;
}

// The list is taken once: closed windows are freed only after the current event, so each
// child window is asked exactly once.
void TBrannock::Ferme_Fenetres_Filles()
{
    const QList<QMdiSubWindow*> children = mdiArea_->subWindowList();
    for (QMdiSubWindow* child : children)
        child->close();
}

// Tile Horizontally stacks full-width windows from top to bottom, Tile Vertically puts
// full-height windows side by side; minimized windows keep their row at the bottom.
void TBrannock::tileChildren(bool horizontally)
{
    const ChildWindows children = visibleChildWindows(*mdiArea_);
    if (children.normal.isEmpty())
        return;
    const QRect area = normalWindowArea(*mdiArea_, children);
    const auto count = static_cast<int>(children.normal.size());
    const std::vector<Rect> places =
        horizontally ? tileHorizontally(count, toRect(area)) : tileVertically(count, toRect(area));
    for (QMdiSubWindow* window : children.normal) {
        if (window->isMaximized())
            window->showNormal();
    }
    for (int i = 0; i < count; ++i)
        children.normal[i]->setGeometry(toQRect(places[static_cast<std::size_t>(i)]));
}

// Bottom window first, each raised in turn, so that the stacking order stays as it was.
void TBrannock::cascadeChildren()
{
    const ChildWindows children = visibleChildWindows(*mdiArea_);
    if (children.normal.isEmpty())
        return;
    const QList<QMdiSubWindow*> bottomFirst(children.normal.rbegin(), children.normal.rend());
    std::vector<Size> minimums;
    for (QMdiSubWindow* window : bottomFirst) {
        if (window->isMaximized())
            window->showNormal();
        minimums.push_back(toSize(window->minimumSizeHint().expandedTo(window->minimumSize())));
    }
    const std::vector<Rect> places =
        cascade(minimums, cascadeStep(*bottomFirst.first()), toRect(normalWindowArea(*mdiArea_, children)));
    for (qsizetype i = 0; i < bottomFirst.size(); ++i) {
        bottomFirst[i]->setGeometry(toQRect(places[static_cast<std::size_t>(i)]));
        bottomFirst[i]->raise();
    }
}

void TBrannock::minimizeAll()
{
    for (QMdiSubWindow* window : mdiArea_->subWindowList())
        window->showMinimized();
}

void TBrannock::arrangeIcons()
{
    const QList<QMdiSubWindow*> minimized = visibleChildWindows(*mdiArea_).minimized;
    if (minimized.isEmpty())
        return;
    const QSize icon = minimized.first()->size();
    const std::vector<Rect> places =
        iconRows(static_cast<int>(minimized.size()), icon.width(), icon.height(), toRect(mdiArea_->viewport()->rect()));
    for (qsizetype i = 0; i < minimized.size(); ++i)
        minimized[i]->move(toQRect(places[static_cast<std::size_t>(i)]).topLeft());
}

}  // namespace kiruvan
