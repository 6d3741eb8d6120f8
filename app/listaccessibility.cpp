// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/listaccessibility.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QCoreApplication>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>
#include <utility>
#include <vector>

namespace pelorus::app {

namespace {

int liveCells = 0;

class ListAccessible;

/// The view while it is whole: null once it is being destroyed (its base destructors no
/// longer make it a tree view), as Qt's own interfaces stop answering then.
QTreeView* wholeView(QObject* object) {
    return qobject_cast<QTreeView*>(object);
}

/// One cell of a list: a row's text in one column, read from the model each time it is
/// asked, so that it answers as the row reads now. Owned by the accessibility registry;
/// its list deletes it when its row goes.
class ListCell final : public QAccessibleInterface,
                       public QAccessibleTableCellInterface,
                       public QAccessibleActionInterface {
public:
    ListCell(QTreeView* view, const QModelIndex& index) : m_view(view), m_index(index) {
        ++liveCells;
    }
    ~ListCell() override { --liveCells; }
    ListCell(const ListCell&) = delete;
    ListCell& operator=(const ListCell&) = delete;

    const QPersistentModelIndex& index() const { return m_index; }

    bool isValid() const override {
        const QTreeView* tree = view();
        return tree != nullptr && tree->model() != nullptr && m_index.isValid();
    }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_view.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString& text) override {
        if (isValid() && (m_index.flags() & Qt::ItemIsEditable))
            view()->model()->setData(m_index, text);
    }
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // The cell's place and headers.
    bool isSelected() const override {
        return isValid() && view()->selectionModel()->isSelected(m_index);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    int columnExtent() const override { return 1; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return isValid() ? m_index.column() : -1; }
    int rowIndex() const override;
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override {
        return QAccessible::queryAccessibleInterface(m_view.data());
    }

    // Toggling selects or deselects the cell's row.
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QTreeView* view() const { return wholeView(m_view.data()); }
    ListAccessible* list() const;

    QPointer<QTreeView> m_view;
    QPersistentModelIndex m_index;
};

/// A column's header, named by the model's header text (the tree's hidden header too).
class ListHeaderCell final : public QAccessibleInterface {
public:
    ListHeaderCell(QTreeView* view, int column) : m_view(view), m_column(column) {}

    bool isValid() const override {
        const QTreeView* tree = view();
        return tree != nullptr && tree->model() != nullptr && m_column >= 0 &&
               m_column < tree->model()->columnCount(tree->rootIndex());
    }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_view.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text kind) const override {
        const QTreeView* tree = view();
        if (tree == nullptr || tree->model() == nullptr)
            return {};
        const QAbstractItemModel& model = *tree->model();
        if (kind == QAccessible::Name) {
            QString name =
                model.headerData(m_column, Qt::Horizontal, Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? model.headerData(m_column, Qt::Horizontal).toString() : name;
        }
        if (kind == QAccessible::Description) {
            return model.headerData(m_column, Qt::Horizontal, Qt::AccessibleDescriptionRole)
                .toString();
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QTreeView* tree = view();
        const QHeaderView* header = tree != nullptr ? tree->header() : nullptr;
        if (header == nullptr)
            return {};
        const QPoint zero = header->mapToGlobal(QPoint(0, 0));
        return {zero.x() + header->sectionPosition(m_column), zero.y(),
                header->sectionSize(m_column), header->height()};
    }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override {
        QAccessible::State state;
        const QTreeView* tree = view();
        if (const QHeaderView* header = tree != nullptr ? tree->header() : nullptr) {
            state.invisible = !header->testAttribute(Qt::WA_WState_Visible);
            state.disabled = !header->isEnabled();
        }
        return state;
    }
    int column() const { return m_column; }

private:
    QTreeView* view() const { return wholeView(m_view.data()); }

    QPointer<QTreeView> m_view;
    int m_column;
};

/// What a list answers for a place that holds no cell, where Qt's answer was none. Qt's
/// bridge asks the table for a cell at a row and column a reader names and reads that
/// cell's place and selection without looking whether there is one: any program on the
/// accessibility bus naming a row past the last (row 1000) would crash the viewer. Asked
/// there, a list answers with this: no row, no column, not selected. One per list.
class NoCell final : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    explicit NoCell(QTreeView* view) : m_view(view) {}

    bool isValid() const override { return false; }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_view.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text) const override { return {}; }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return {}; }
    QAccessible::Role role() const override { return QAccessible::NoRole; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invalid = true;
        state.invisible = true;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    int columnExtent() const override { return 0; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return -1; }
    int rowIndex() const override { return -1; }
    int rowExtent() const override { return 0; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<QTreeView> m_view;
};

/// A list as a screen reader meets it: a tree whose children are its column headers, then
/// the cells of its shown rows, row by row (the numbering Qt's views use in their focus
/// and selection events). Rows under a collapsed node are not shown, so not children.
/// Qt 6.4 makes a new object for a tree view's cell or column header each time one is asked
/// for and keeps every one until the program ends, so a reader reading the task list after
/// each refresh would grow the viewer without end. Here a cell's object goes when its row
/// goes (a refresh clears the list, and with it all of them): a reader makes the viewer hold
/// no more than the list it reads, however long it reads; the rows themselves are bounded
/// where the lists are filled.
class ListAccessible final : public QAccessibleObject, public QAccessibleTableInterface {
public:
    explicit ListAccessible(QTreeView* view);
    ~ListAccessible() override;
    ListAccessible(const ListAccessible&) = delete;
    ListAccessible& operator=(const ListAccessible&) = delete;

    bool isValid() const override { return QAccessibleObject::isValid() && view() != nullptr; }
    QAccessible::Role role() const override { return QAccessible::Tree; }
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    QRect rect() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    /// The current cell, where the keyboard is in the list.
    QAccessibleInterface* focusChild() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableInterface ? static_cast<QAccessibleTableInterface*>(this)
                                                   : nullptr;
    }

    // The table: rows are the shown rows, top to bottom.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int columnCount() const override;
    int rowCount() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return {}; }
    int selectedCellCount() const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    /// The header object of `column`, made on first asking; null for no such column.
    QAccessibleInterface* header(int column) const;
    /// The list's answer for a place without a cell.
    QAccessibleInterface* noCell() const;
    /// The shown row of `index` (any column), -1 when it is not shown.
    int shownRow(const QModelIndex& index) const;

private:
    QTreeView* view() const { return wholeView(object()); }
    /// The cell object of `index`, the one made before if there is one.
    QAccessibleInterface* cell(const QModelIndex& index) const;
    /// The index of column `column` in shown row `row`; invalid when there is none.
    QModelIndex shownIndex(int row, int column) const;
    void updateRows() const;
    /// Drops the objects of cells whose rows have gone and files the others under their
    /// rows' places now.
    void updateCells() const;
    void dropAll() const;
    /// Rows or columns came, went or moved: the shown rows and the cells' places are read
    /// again when next needed. When some went (`went`), their cells' objects go now.
    void structureChanged(bool went);

    /// Where the list hears of its model's and its view's changes.
    std::unique_ptr<QObject> m_listener = std::make_unique<QObject>();
    /// Cell objects by the index their cell had when filed; an index moves with its row,
    /// so they are filed again after every change of the rows.
    mutable QHash<QModelIndex, QAccessible::Id> m_cells;
    mutable bool m_cellsStale = false;
    /// The column-0 index of each shown row, top to bottom, and each one's row.
    mutable std::vector<QModelIndex> m_rows;
    mutable QHash<QModelIndex, int> m_rowOf;
    mutable bool m_rowsStale = true;
    mutable std::vector<QAccessible::Id> m_headers;
    mutable QAccessible::Id m_noCell = 0;
};

ListAccessible::ListAccessible(QTreeView* view) : QAccessibleObject(view) {
    // A tree widget keeps its model for life.
    const QAbstractItemModel* model = view->model();
    QObject* listener = m_listener.get();
    // Filling a list adds its rows one batch (the tree one node) at a time: filing its cells
    // anew after each would cost the square of its length.
    const auto came = [this] { structureChanged(false); };
    const auto went = [this] { structureChanged(true); };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, listener, came);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, listener, went);
    QObject::connect(model, &QAbstractItemModel::rowsMoved, listener, came);
    QObject::connect(model, &QAbstractItemModel::columnsInserted, listener, came);
    QObject::connect(model, &QAbstractItemModel::columnsRemoved, listener, went);
    QObject::connect(model, &QAbstractItemModel::columnsMoved, listener, came);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, listener, came);
    QObject::connect(model, &QAbstractItemModel::modelReset, listener, went);
    const auto shownChanged = [this] { m_rowsStale = true; };
    QObject::connect(view, &QTreeView::expanded, listener, shownChanged);
    QObject::connect(view, &QTreeView::collapsed, listener, shownChanged);
}

ListAccessible::~ListAccessible() {
    dropAll();
    if (m_noCell != 0)
        QAccessible::deleteAccessibleInterface(m_noCell);
    for (const QAccessible::Id id : m_headers) {
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
    }
}

void ListAccessible::dropAll() const {
    for (const QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
}

void ListAccessible::structureChanged(bool went) {
    m_rowsStale = true;
    m_cellsStale = true;
    // Nothing may keep a gone row's cell: drop them now, not at the next question.
    if (went)
        updateCells();
}

void ListAccessible::updateCells() const {
    m_cellsStale = false;
    QHash<QModelIndex, QAccessible::Id> filed;
    filed.reserve(m_cells.size());
    for (const QAccessible::Id id : std::as_const(m_cells)) {
        auto* cell = static_cast<ListCell*>(QAccessible::accessibleInterface(id));
        if (cell == nullptr)
            continue;
        if (!cell->index().isValid()) {
            QAccessible::deleteAccessibleInterface(id);
            continue;
        }
        filed.insert(QModelIndex(cell->index()), id);
    }
    m_cells = std::move(filed);
    // Column headers past the last column go too.
    const QTreeView* tree = view();
    const int columns = tree != nullptr && tree->model() != nullptr
                            ? tree->model()->columnCount(tree->rootIndex())
                            : 0;
    while (m_headers.size() > static_cast<std::size_t>(columns)) {
        if (m_headers.back() != 0)
            QAccessible::deleteAccessibleInterface(m_headers.back());
        m_headers.pop_back();
    }
}

void ListAccessible::updateRows() const {
    m_rowsStale = false;
    m_rows.clear();
    m_rowOf.clear();
    const QTreeView* tree = view();
    if (tree == nullptr || tree->model() == nullptr)
        return;
    const QAbstractItemModel& model = *tree->model();
    // Depth first, in the order the view shows them, without recursion: a tree may be
    // deep. Each entry is a parent and the next of its rows to look at.
    std::vector<std::pair<QModelIndex, int>> pending{{tree->rootIndex(), 0}};
    while (!pending.empty()) {
        auto& [parent, next] = pending.back();
        if (next >= model.rowCount(parent)) {
            pending.pop_back();
            continue;
        }
        const int row = next++;
        if (tree->isRowHidden(row, parent))
            continue;
        const QModelIndex index = model.index(row, 0, parent);
        m_rowOf.insert(index, static_cast<int>(m_rows.size()));
        m_rows.push_back(index);
        if (tree->isExpanded(index) && model.hasChildren(index))
            pending.emplace_back(index, 0);
    }
}

int ListAccessible::shownRow(const QModelIndex& index) const {
    if (m_rowsStale)
        updateRows();
    if (!index.isValid())
        return -1;
    return m_rowOf.value(index.siblingAtColumn(0), -1);
}

QModelIndex ListAccessible::shownIndex(int row, int column) const {
    if (m_rowsStale)
        updateRows();
    if (row < 0 || column < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return {};
    return m_rows[static_cast<std::size_t>(row)].siblingAtColumn(column);
}

QAccessibleInterface* ListAccessible::cell(const QModelIndex& index) const {
    if (m_cellsStale)
        updateCells();
    const auto found = m_cells.constFind(index);
    if (found != m_cells.cend()) {
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(found.value()))
            return known;
    }
    auto* made = new ListCell(view(), index);
    m_cells.insert(index, QAccessible::registerAccessibleInterface(made));
    return made;
}

QAccessibleInterface* ListAccessible::header(int column) const {
    const QTreeView* tree = view();
    if (tree == nullptr || tree->model() == nullptr || column < 0 ||
        column >= tree->model()->columnCount(tree->rootIndex())) {
        return nullptr;
    }
    const auto at = static_cast<std::size_t>(column);
    if (m_headers.size() <= at)
        m_headers.resize(at + 1, 0);
    if (QAccessibleInterface* known =
            m_headers[at] != 0 ? QAccessible::accessibleInterface(m_headers[at]) : nullptr) {
        return known;
    }
    auto* made = new ListHeaderCell(view(), column);
    m_headers[at] = QAccessible::registerAccessibleInterface(made);
    return made;
}

QAccessibleInterface* ListAccessible::noCell() const {
    if (QAccessibleInterface* known =
            m_noCell != 0 ? QAccessible::accessibleInterface(m_noCell) : nullptr) {
        return known;
    }
    auto* made = new NoCell(view());
    m_noCell = QAccessible::registerAccessibleInterface(made);
    return made;
}

QAccessible::State ListAccessible::state() const {
    QAccessible::State state;
    const QTreeView* tree = view();
    if (tree == nullptr)
        return state;
    state.invisible = !tree->testAttribute(Qt::WA_WState_Visible);
    state.focusable = tree->focusPolicy() != Qt::NoFocus;
    state.focused = tree->hasFocus();
    state.disabled = !tree->isEnabled();
    if (tree->isWindow()) {
        state.movable = (tree->windowFlags() & Qt::WindowSystemMenuHint) != 0;
        state.sizeable = tree->minimumSize() != tree->maximumSize();
        state.active = tree->isActiveWindow();
    }
    return state;
}

QString ListAccessible::text(QAccessible::Text kind) const {
    const QTreeView* tree = view();
    if (tree == nullptr)
        return {};
    return kind == QAccessible::Description ? tree->accessibleDescription()
                                            : tree->accessibleName();
}

QRect ListAccessible::rect() const {
    const QTreeView* tree = view();
    if (tree == nullptr || !tree->isVisible())
        return {};
    return {tree->mapToGlobal(QPoint(0, 0)), tree->size()};
}

QAccessibleInterface* ListAccessible::parent() const {
    const QTreeView* tree = view();
    return tree != nullptr && tree->parent() != nullptr
               ? QAccessible::queryAccessibleInterface(tree->parent())
               : nullptr;
}

int ListAccessible::columnCount() const {
    const QTreeView* tree = view();
    return tree != nullptr && tree->model() != nullptr
               ? tree->model()->columnCount(tree->rootIndex())
               : 0;
}

int ListAccessible::rowCount() const {
    if (m_rowsStale)
        updateRows();
    return static_cast<int>(m_rows.size());
}

int ListAccessible::childCount() const {
    // The column headers count as a row, shown or not.
    return (rowCount() + 1) * columnCount();
}

QAccessibleInterface* ListAccessible::child(int index) const {
    const int columns = columnCount();
    if (index < 0 || columns == 0)
        return nullptr;
    if (index < columns)
        return header(index);
    const QModelIndex at = shownIndex((index - columns) / columns, (index - columns) % columns);
    return at.isValid() ? cell(at) : nullptr;
}

int ListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr || child->parent() != this)
        return -1;
    if (child->role() == QAccessible::TreeItem) {
        const QModelIndex& index = static_cast<const ListCell*>(child)->index();
        const int row = shownRow(index);
        return row < 0 ? -1 : (row + 1) * columnCount() + index.column();
    }
    if (child->role() == QAccessible::ColumnHeader)
        return static_cast<const ListHeaderCell*>(child)->column();
    return -1;
}

QAccessibleInterface* ListAccessible::childAt(int x, int y) const {
    const QTreeView* tree = view();
    if (tree == nullptr || tree->model() == nullptr)
        return nullptr;
    const QPoint viewportOffset = tree->viewport()->mapTo(tree, QPoint(0, 0));
    const QModelIndex index = tree->indexAt(tree->mapFromGlobal(QPoint(x, y) - viewportOffset));
    return index.isValid() && shownRow(index) >= 0 ? cell(index) : nullptr;
}

QAccessibleInterface* ListAccessible::focusChild() const {
    const QTreeView* tree = view();
    if (tree == nullptr)
        return nullptr;
    const QModelIndex current = tree->currentIndex();
    return current.isValid() && shownRow(current) >= 0 ? cell(current) : nullptr;
}

QAccessibleInterface* ListAccessible::cellAt(int row, int column) const {
    const QModelIndex index = shownIndex(row, column);
    if (index.isValid())
        return cell(index);
    return view() != nullptr ? noCell() : nullptr;
}

QString ListAccessible::columnDescription(int column) const {
    const QTreeView* tree = view();
    return tree != nullptr && tree->model() != nullptr
               ? tree->model()->headerData(column, Qt::Horizontal).toString()
               : QString();
}

int ListAccessible::selectedCellCount() const {
    const QTreeView* tree = view();
    return tree != nullptr && tree->selectionModel() != nullptr
               ? static_cast<int>(tree->selectionModel()->selectedIndexes().size())
               : 0;
}

int ListAccessible::selectedColumnCount() const {
    return static_cast<int>(selectedColumns().size());
}

int ListAccessible::selectedRowCount() const {
    const QTreeView* tree = view();
    return tree != nullptr && tree->selectionModel() != nullptr
               ? static_cast<int>(tree->selectionModel()->selectedRows().size())
               : 0;
}

QList<QAccessibleInterface*> ListAccessible::selectedCells() const {
    // The selected cells themselves; Qt 6.4 took a nested node's row number for a shown
    // row's and so gave some other node's cells.
    QList<QAccessibleInterface*> cells;
    const QTreeView* tree = view();
    if (tree == nullptr || tree->selectionModel() == nullptr)
        return cells;
    for (const QModelIndex& index : tree->selectionModel()->selectedIndexes()) {
        if (shownRow(index) >= 0)
            cells.append(cell(index));
    }
    return cells;
}

QList<int> ListAccessible::selectedColumns() const {
    QList<int> columns;
    const QTreeView* tree = view();
    if (tree == nullptr || tree->selectionModel() == nullptr)
        return columns;
    for (const QModelIndex& index : tree->selectionModel()->selectedColumns())
        columns.append(index.column());
    return columns;
}

QList<int> ListAccessible::selectedRows() const {
    QList<int> rows;
    const QTreeView* tree = view();
    if (tree == nullptr || tree->selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& index : tree->selectionModel()->selectedRows())
        rows.append(index.row());
    return rows;
}

bool ListAccessible::isColumnSelected(int column) const {
    const QTreeView* tree = view();
    return tree != nullptr && tree->selectionModel() != nullptr &&
           tree->selectionModel()->isColumnSelected(column, QModelIndex());
}

bool ListAccessible::isRowSelected(int row) const {
    const QTreeView* tree = view();
    if (tree == nullptr || tree->selectionModel() == nullptr)
        return false;
    const QModelIndex index = shownIndex(row, 0);
    return tree->selectionModel()->isRowSelected(index.row(), index.parent());
}

bool ListAccessible::selectRow(int row) {
    QTreeView* tree = view();
    if (tree == nullptr || tree->selectionModel() == nullptr)
        return false;
    const QModelIndex index = shownIndex(row, 0);
    if (!index.isValid() || tree->selectionBehavior() == QAbstractItemView::SelectColumns)
        return false;
    QItemSelectionModel& selection = *tree->selectionModel();
    switch (tree->selectionMode()) {
        case QAbstractItemView::NoSelection:
            return false;
        case QAbstractItemView::SingleSelection:
            if (tree->selectionBehavior() != QAbstractItemView::SelectRows && columnCount() > 1)
                return false;
            tree->clearSelection();
            break;
        case QAbstractItemView::ContiguousSelection:
            if ((row == 0 || !selection.isRowSelected(row - 1, tree->rootIndex())) &&
                !selection.isRowSelected(row + 1, tree->rootIndex())) {
                tree->clearSelection();
            }
            break;
        default:
            break;
    }
    selection.select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    return true;
}

bool ListAccessible::selectColumn(int column) {
    QTreeView* tree = view();
    if (tree == nullptr || tree->model() == nullptr || tree->selectionModel() == nullptr)
        return false;
    const QModelIndex index = tree->model()->index(0, column, tree->rootIndex());
    if (!index.isValid() || tree->selectionBehavior() == QAbstractItemView::SelectRows)
        return false;
    QItemSelectionModel& selection = *tree->selectionModel();
    switch (tree->selectionMode()) {
        case QAbstractItemView::NoSelection:
            return false;
        case QAbstractItemView::SingleSelection:
            if (tree->selectionBehavior() != QAbstractItemView::SelectColumns && rowCount() > 1)
                return false;
            [[fallthrough]];
        case QAbstractItemView::ContiguousSelection:
            if ((column == 0 || !selection.isColumnSelected(column - 1, tree->rootIndex())) &&
                !selection.isColumnSelected(column + 1, tree->rootIndex())) {
                tree->clearSelection();
            }
            break;
        default:
            break;
    }
    selection.select(index, QItemSelectionModel::Select | QItemSelectionModel::Columns);
    return true;
}

bool ListAccessible::unselectRow(int row) {
    QTreeView* tree = view();
    if (tree == nullptr || tree->model() == nullptr || tree->selectionModel() == nullptr)
        return false;
    const QModelIndex index = tree->model()->index(row, 0, tree->rootIndex());
    if (!index.isValid())
        return false;
    QItemSelectionModel& selection = *tree->selectionModel();
    QItemSelection deselected(index, index);
    switch (tree->selectionMode()) {
        case QAbstractItemView::SingleSelection:
            // Once a row is selected the user cannot select none.
            if (selectedRowCount() == 1)
                return false;
            break;
        case QAbstractItemView::ContiguousSelection:
            if (selectedRowCount() == 1)
                return false;
            // Rows selected above and below: those below go.
            if ((row == 0 || selection.isRowSelected(row - 1, tree->rootIndex())) &&
                selection.isRowSelected(row + 1, tree->rootIndex())) {
                deselected = QItemSelection(
                    index, tree->model()->index(tree->model()->rowCount(tree->rootIndex()) - 1, 0,
                                                tree->rootIndex()));
            }
            break;
        default:
            break;
    }
    selection.select(deselected, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
}

bool ListAccessible::unselectColumn(int column) {
    QTreeView* tree = view();
    if (tree == nullptr || tree->model() == nullptr || tree->selectionModel() == nullptr)
        return false;
    const QModelIndex index = tree->model()->index(0, column, tree->rootIndex());
    if (!index.isValid())
        return false;
    QItemSelectionModel& selection = *tree->selectionModel();
    QItemSelection deselected(index, index);
    switch (tree->selectionMode()) {
        case QAbstractItemView::SingleSelection:
            if (selectedColumnCount() == 1)
                return false;
            break;
        case QAbstractItemView::ContiguousSelection:
            if (selectedColumnCount() == 1)
                return false;
            if ((column == 0 || selection.isColumnSelected(column - 1, tree->rootIndex())) &&
                selection.isColumnSelected(column + 1, tree->rootIndex())) {
                deselected = QItemSelection(
                    index, tree->model()->index(0, columnCount() - 1, tree->rootIndex()));
            }
            break;
        default:
            break;
    }
    selection.select(deselected, QItemSelectionModel::Deselect | QItemSelectionModel::Columns);
    return true;
}

void ListAccessible::modelChange(QAccessibleTableModelChangeEvent*) {
    // The model's own signals keep the list up to date, whether a bridge is there to send
    // this event or not.
}

QString ListCell::text(QAccessible::Text kind) const {
    if (!isValid())
        return {};
    const QAbstractItemModel& model = *view()->model();
    if (kind == QAccessible::Name) {
        const QString name = model.data(m_index, Qt::AccessibleTextRole).toString();
        return name.isEmpty() ? model.data(m_index, Qt::DisplayRole).toString() : name;
    }
    if (kind == QAccessible::Description)
        return model.data(m_index, Qt::AccessibleDescriptionRole).toString();
    return {};
}

QRect ListCell::rect() const {
    if (!isValid())
        return {};
    const QTreeView* tree = view();
    QRect area = tree->visualRect(m_index);
    if (!area.isNull()) {
        area.translate(tree->viewport()->mapTo(tree, QPoint(0, 0)));
        area.translate(tree->mapToGlobal(QPoint(0, 0)));
    }
    return area;
}

QAccessible::State ListCell::state() const {
    QAccessible::State state;
    if (!isValid())
        return state;
    const QTreeView* tree = view();
    const QRect shown(tree->mapToGlobal(QPoint(0, 0)), tree->size());
    state.invisible = !shown.intersects(rect());
    state.selected = tree->selectionModel()->isSelected(m_index);
    state.focused = tree->selectionModel()->currentIndex() == m_index;
    const QVariant checkState = m_index.data(Qt::CheckStateRole);
    state.checked = checkState.toInt() == Qt::Checked;
    const Qt::ItemFlags flags = m_index.flags();
    state.checkable = (flags & Qt::ItemIsUserCheckable) && checkState.isValid();
    if (flags & Qt::ItemIsSelectable) {
        state.selectable = true;
        state.focusable = true;
        state.multiSelectable = tree->selectionMode() == QAbstractItemView::MultiSelection;
        state.extSelectable = tree->selectionMode() == QAbstractItemView::ExtendedSelection;
    }
    state.expandable = tree->model()->hasChildren(m_index);
    state.expanded = tree->isExpanded(m_index);
    return state;
}

ListAccessible* ListCell::list() const {
    return static_cast<ListAccessible*>(QAccessible::queryAccessibleInterface(m_view.data()));
}

QList<QAccessibleInterface*> ListCell::columnHeaderCells() const {
    if (!isValid())
        return {};
    QAccessibleInterface* header = list()->header(m_index.column());
    if (header == nullptr)
        return {};
    return {header};
}

int ListCell::rowIndex() const {
    return isValid() ? list()->shownRow(m_index) : -1;
}

void ListCell::doAction(const QString& actionName) {
    if (actionName != toggleAction() || !isValid())
        return;
    QTreeView* tree = view();
    if (tree->selectionMode() == QAbstractItemView::NoSelection)
        return;
    const bool selected = isSelected();
    switch (tree->selectionBehavior()) {
        case QAbstractItemView::SelectColumns:
            selected ? list()->unselectColumn(m_index.column())
                     : list()->selectColumn(m_index.column());
            return;
        case QAbstractItemView::SelectRows:
            selected ? list()->unselectRow(m_index.row()) : list()->selectRow(m_index.row());
            return;
        case QAbstractItemView::SelectItems:
            break;
    }
    if (!selected) {
        if (tree->selectionMode() == QAbstractItemView::SingleSelection)
            tree->clearSelection();
        tree->selectionModel()->select(m_index, QItemSelectionModel::Select);
        return;
    }
    // Outside multiple selection, the one selected cell cannot be deselected.
    if (tree->selectionMode() != QAbstractItemView::MultiSelection &&
        tree->selectionMode() != QAbstractItemView::ExtendedSelection &&
        tree->selectionModel()->selectedIndexes().size() <= 1) {
        return;
    }
    tree->selectionModel()->select(m_index, QItemSelectionModel::Deselect);
}

QAccessibleInterface* listFactory(const QString& className, QObject* object) {
    // Called with each class name of the object's, most derived first.
    if (className != QLatin1String("QTreeWidget"))
        return nullptr;
    auto* view = qobject_cast<QTreeWidget*>(object);
    return view != nullptr ? new ListAccessible(view) : nullptr;
}

}  // namespace

void installListAccessibility() {
    // Qt installs a factory only once, however often it is asked.
    QAccessible::installFactory(listFactory);
}

// With the application, before any list can be made: a list asked for before the factory
// was there would keep Qt's own accessibility for good.
Q_COREAPP_STARTUP_FUNCTION(installListAccessibility)

int accessibleListCellCount() {
    return liveCells;
}

}  // namespace pelorus::app
