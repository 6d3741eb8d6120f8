// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/treewidgetlists.h"

#include <QItemSelectionModel>

namespace pelorus::app {

int TreeWidgetReportList::rowCount() const {
    return m_list.topLevelItemCount();
}

void TreeWidgetReportList::clear() {
    m_list.clear();
}

void TreeWidgetReportList::appendRow(const std::string& text) {
    // The item appends itself to the list.
    new QTreeWidgetItem(&m_list, QStringList{QString::fromStdString(text)});
}

void TreeWidgetReportList::setCell(int row, int column, const std::string& text) {
    QTreeWidgetItem* item = m_list.topLevelItem(row - 1);
    if (item == nullptr || column < 1 || column > m_list.columnCount())
        return;
    item->setText(column - 1, QString::fromStdString(text));
}

bool TreeWidgetReportList::isRowSelected(int row) const {
    const QTreeWidgetItem* item = m_list.topLevelItem(row - 1);
    return item != nullptr && item->isSelected();
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
    m_list.resizeColumnToContents(index);
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
