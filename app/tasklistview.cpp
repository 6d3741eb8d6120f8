// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/tasklistview.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace pelorus::app {

TaskListView::TaskListView(QWidget* parent) : QTreeWidget(parent) {}

void TaskListView::mousePressEvent(QMouseEvent* event) {
    // A plain press on blank space keeps the selection (the view would clear it), so that
    // a double-click anywhere in the list opens the selected row. Ctrl+click still
    // deselects.
    if (event->modifiers() == Qt::NoModifier && !indexAt(event->position().toPoint()).isValid()) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void TaskListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    // Only the primary button opens a row; the others keep what the list does with them.
    if (event->button() == Qt::LeftButton)
        emit dblClick();
}

void TaskListView::keyReleaseEvent(QKeyEvent* event) {
    QTreeWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit keyUp(event->key(), event->modifiers());
}

}  // namespace pelorus::app
