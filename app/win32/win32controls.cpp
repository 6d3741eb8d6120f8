// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/win32/win32controls.h"

#include "platform/text/wide.h"

namespace pelorus::app::win32 {

using text::utf8ToWide;
using text::wideToUtf8;

int ListViewReportList::rowCount() const {
    return static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
}

void ListViewReportList::clear() {
    SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
}

void ListViewReportList::appendRow(const std::string& text) {
    std::wstring wide = utf8ToWide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = rowCount();
    item.pszText = wide.data();
    SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void ListViewReportList::setCell(int row, int column, const std::string& text) {
    std::wstring wide = utf8ToWide(text);
    LVITEMW item{};
    item.iSubItem = column - 1;
    item.pszText = wide.data();
    SendMessageW(m_list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row - 1),
                 reinterpret_cast<LPARAM>(&item));
}

bool ListViewReportList::isRowSelected(int row) const {
    return SendMessageW(m_list, LVM_GETITEMSTATE, static_cast<WPARAM>(row - 1), LVIS_SELECTED) &
           LVIS_SELECTED;
}

int ListViewReportList::selectedRow() const {
    const auto focused = static_cast<int>(
        SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0 && isRowSelected(focused + 1))
        return focused + 1;
    return static_cast<int>(
               SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) +
           1;
}

void ListViewReportList::fitColumn(int index) {
    SendMessageA(m_list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index),
                 MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0));
}

std::string ListViewReportList::cell(int row, int column) const {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column - 1;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer));
    SendMessageW(m_list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row - 1),
                 reinterpret_cast<LPARAM>(&item));
    return wideToUtf8(buffer);
}

void TreeViewWindowTree::clear() {
    SendMessageW(m_tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    m_items.clear();
    m_byKey.clear();
}

bool TreeViewWindowTree::addNode(const std::optional<std::string>& parentKey,
                                 const std::string& key, const std::string& text, int image) {
    if (m_byKey.contains(key))
        return false;
    HTREEITEM parent = TVI_ROOT;
    if (parentKey) {
        const auto found = m_byKey.find(*parentKey);
        if (found == m_byKey.end())
            return false;
        parent = found->second;
    }
    std::wstring wide = utf8ToWide(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = wide.data();
    // Image 0 is none: -1 would ask the form for a picture (I_IMAGECALLBACK).
    insert.item.iImage = image >= 1 ? image - 1 : I_IMAGENONE;
    insert.item.iSelectedImage = insert.item.iImage;
    const auto item = reinterpret_cast<HTREEITEM>(
        SendMessageW(m_tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!item)
        return false;
    m_items.emplace_back(key, item);
    m_byKey.emplace(key, item);
    return true;
}

std::string TreeViewWindowTree::key(int index) const {
    return m_items.at(static_cast<std::size_t>(index - 1)).first;
}

HTREEITEM TreeViewWindowTree::item(int index) const {
    if (index < 1 || index > nodeCount())
        return nullptr;
    return m_items[static_cast<std::size_t>(index - 1)].second;
}

bool TreeViewWindowTree::isSelected(int index) const {
    const auto selected =
        reinterpret_cast<HTREEITEM>(SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    return selected && selected == item(index);
}

void TreeViewWindowTree::expand(int index) {
    TVITEMW state{};
    state.mask = TVIF_STATE;
    state.hItem = item(index);
    state.state = TVIS_EXPANDED;
    state.stateMask = TVIS_EXPANDED;
    SendMessageW(m_tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&state));
}

}  // namespace pelorus::app::win32
