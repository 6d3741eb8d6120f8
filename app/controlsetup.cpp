// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/controlsetup.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPalette>

#include "app/captionfit.h"
#include "resources/twips.h"

namespace pelorus::app {

void setupReportList(QTreeWidget& list, const std::array<std::int32_t, 3>& widths) {
    list.setColumnCount(3);
    list.setRootIsDecorated(false);
    list.setItemsExpandable(false);
    list.setUniformRowHeights(true);
    // Both lists take several rows at once, as the design gives them the same options;
    // Kill acts on every selected row of the task list.
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.setSortingEnabled(false);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setAllColumnsShowFocus(true);
    QHeaderView* header = list.header();
    // The last column keeps its own width; the list scrolls sideways instead.
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    // Fitting a column looks at every row, not only the first thousand.
    header->setResizeContentsPrecision(-1);
    for (int column = 0; column < 3; ++column) {
        list.setColumnWidth(column, widths[static_cast<size_t>(column)] / resources::TwipsPerPixel);
    }
}

namespace {

/// Clicks its button on a press of Return or Enter; a held key does not click again.
class ReturnPress final : public QObject {
public:
    explicit ReturnPress(QPushButton& button) : QObject(&button), m_button(button) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_button || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (!key->isAutoRepeat() && m_button.isEnabled())
            m_button.click();
        return true;
    }

private:
    QPushButton& m_button;
};

}  // namespace

void pressOnReturn(QPushButton& button) {
    button.installEventFilter(new ReturnPress(button));
}

void setupHeaderLabel(QLabel& label) {
    QFont bold = label.font();
    bold.setBold(true);
    label.setFont(bold);
    label.setAlignment(Qt::AlignCenter);
    // Without a buddy the label takes "&" as a plain character.
    label.setTextFormat(Qt::PlainText);
    // The labels look like the caption bar of a panel. Qt has no role for the colours of
    // an active title bar; the selection colours are the nearest the palette offers.
    label.setAutoFillBackground(true);
    QPalette palette = label.palette();
    const QColor background = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor foreground = palette.color(QPalette::Active, QPalette::HighlightedText);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::WindowText, foreground);
    }
    // A locked window keeps its captions as they were: only the controls grey out.
    palette.setColor(QPalette::Disabled, QPalette::Window, background);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, foreground);
    label.setPalette(palette);
}

// The labels are not the panels' buddies, which would make the "&" of a label an access
// key. The tree's hidden header names its one column the same way.
void nameForScreenReaders(const std::array<QLabel*, 3>& labels, QTreeWidget& tasks,
                          QTreeWidget& details, QTreeWidget& tree) {
    tasks.setAccessibleName(labels[0]->text());
    details.setAccessibleName(labels[1]->text());
    tree.setAccessibleName(labels[2]->text());
    tree.setHeaderLabel(labels[2]->text());
}

void fitCaptions(const QWidget& window, const std::array<QPushButton*, 9>& buttons,
                 const std::array<QLabel*, 3>& labels) {
    for (QPushButton* button : buttons)
        fitCaption(*button, window.font());
    QFont bold = window.font();
    bold.setBold(true);
    for (QLabel* label : labels)
        fitCaption(*label, bold);
}

}  // namespace pelorus::app
