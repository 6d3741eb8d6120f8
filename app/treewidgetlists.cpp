// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/treewidgetlists.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <algorithm>

#include "app/columnfit.h"

namespace pelorus::app {

namespace {

/// How long appended rows may wait before the widget is told: about one frame.
constexpr int kBatchMilliseconds = 16;

}  // namespace

TreeWidgetReportList::TreeWidgetReportList(QTreeWidget& list) : m_list(list) {
    m_publishTimer.setSingleShot(true);
    m_publishTimer.setInterval(kBatchMilliseconds);
    m_publishTimer.callOnTimeout([this] { publish(); });
}

TreeWidgetReportList::~TreeWidgetReportList() {
    qDeleteAll(m_waiting);
}

int TreeWidgetReportList::rowCount() const {
    return m_list.topLevelItemCount() + static_cast<int>(m_waiting.size());
}

void TreeWidgetReportList::clear() {
    m_publishTimer.stop();
    qDeleteAll(m_waiting);
    m_waiting.clear();
    m_list.clear();
    // A new fill starts: its first row shows at once.
    m_sincePublished.invalidate();
}

void TreeWidgetReportList::appendRow(const std::string& text) {
    m_waiting.append(new QTreeWidgetItem(QStringList{QString::fromStdString(text)}));
    // The first row of a while shows at once; the next ones wait for the frame.
    if (!m_sincePublished.isValid() || m_sincePublished.hasExpired(kBatchMilliseconds)) {
        publish();
    } else if (!m_publishTimer.isActive()) {
        m_publishTimer.start();
    }
}

void TreeWidgetReportList::publish() {
    m_publishTimer.stop();
    m_sincePublished.start();
    if (m_waiting.isEmpty())
        return;
    // One insertion for the whole batch: one layout and one repaint of the view. A view told
    // of each row on its own lays out all its rows and repaints on every pass of the event
    // loop, so a list filled row by row with a pass after each (the detail list during its
    // thread walk) would cost time growing with the square of its length. Waiting rows
    // stay in the adapter, where setCell still writes them.
    m_list.addTopLevelItems(m_waiting);
    m_waiting.clear();
}

QTreeWidgetItem* TreeWidgetReportList::item(int row) const {
    const int shown = m_list.topLevelItemCount();
    if (row >= 1 && row <= shown)
        return m_list.topLevelItem(row - 1);
    const qsizetype waiting = row - shown - 1;
    if (row > shown && waiting < m_waiting.size())
        return m_waiting[waiting];
    return nullptr;
}

void TreeWidgetReportList::setCell(int row, int column, const std::string& text) {
    QTreeWidgetItem* cell = item(row);
    if (cell == nullptr || column < 1 || column > m_list.columnCount())
        return;
    cell->setText(column - 1, QString::fromStdString(text));
}

bool TreeWidgetReportList::isRowSelected(int row) const {
    const QTreeWidgetItem* cell = item(row);
    return cell != nullptr && cell->treeWidget() != nullptr && cell->isSelected();
}

int TreeWidgetReportList::selectedRow() const {
    QTreeWidgetItem* current = m_list.currentItem();
    if (current != nullptr && current->isSelected()) {
        return m_list.indexOfTopLevelItem(current) + 1;
    }
    int first = 0;
    const QItemSelectionModel* selection = m_list.selectionModel();
    if (selection == nullptr)
        return 0;
    for (const QModelIndex& index : selection->selectedRows()) {
        const int row = index.row() + 1;
        if (first == 0 || row < first)
            first = row;
    }
    return first;
}

void TreeWidgetReportList::fitColumn(int index) {
    publish();
    if (index < 0 || index >= m_list.columnCount())
        return;
    // The view would ask its delegate to lay out the text of every row; the widest text
    // by its advance is the row whose hint decides, so only that row is laid out.
    const int widestRow = widestText(index);
    const QHeaderView* header = m_list.header();
    int width = header->isHidden() ? 0 : header->sectionSizeHint(index);
    if (widestRow >= 0) {
        const QModelIndex cell = m_list.model()->index(widestRow, index);
        width = std::max(width, m_list.sizeHintForIndex(cell).width());
    }
    m_list.setColumnWidth(index, width);
}

int TreeWidgetReportList::widestText(int column) const {
    // The texts are ranked by their advances and only the likely widest are laid out, a
    // bounded number of them (app/columnfit.h).
    const int rows = m_list.topLevelItemCount();
    QStringList texts;
    texts.reserve(rows);
    for (int row = 0; row < rows; ++row)
        texts.append(m_list.topLevelItem(row)->text(column));
    return app::widestText(texts, m_list.font()).row;
}

void TreeWidgetWindowTree::clear() {
    m_tree.clear();
    m_nodes.clear();
    m_index.clear();
}

bool TreeWidgetWindowTree::addNode(const std::optional<std::string>& parentKey,
                                   const std::string& key, const std::string& text, int image) {
    if (m_index.contains(key))
        return false;
    Node* parent = nullptr;
    if (parentKey) {
        const auto found = m_index.find(*parentKey);
        if (found == m_index.end())
            return false;
        parent = &m_nodes[static_cast<size_t>(found->second - 1)];
    }
    auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(text)});
    if (image >= 1 && static_cast<size_t>(image) <= m_images.size()) {
        item->setIcon(0, m_images[static_cast<size_t>(image - 1)]);
    }
    if (parent != nullptr) {
        parent->item->addChild(item);
        // A node expanded while it had no children must show open once it has some,
        // whatever the view did with the request at the time.
        if (parent->expandWanted && !parent->item->isExpanded())
            parent->item->setExpanded(true);
    } else {
        m_tree.addTopLevelItem(item);
    }
    m_nodes.push_back(Node{item, key, false});
    m_index.emplace(key, static_cast<int>(m_nodes.size()));
    return true;
}

std::string TreeWidgetWindowTree::key(int index) const {
    if (index < 1 || static_cast<size_t>(index) > m_nodes.size())
        return {};
    return m_nodes[static_cast<size_t>(index - 1)].key;
}

bool TreeWidgetWindowTree::isSelected(int index) const {
    if (index < 1 || static_cast<size_t>(index) > m_nodes.size())
        return false;
    return m_nodes[static_cast<size_t>(index - 1)].item->isSelected();
}

void TreeWidgetWindowTree::expand(int index) {
    if (index < 1 || static_cast<size_t>(index) > m_nodes.size())
        return;
    Node& node = m_nodes[static_cast<size_t>(index - 1)];
    node.expandWanted = true;
    node.item->setExpanded(true);
}

}  // namespace pelorus::app
