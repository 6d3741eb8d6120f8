// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The Qt side of the task list, the detail list and the window tree.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPixmap>
#include <QTest>
#include <QTreeWidget>

#include "app/treewidgetlists.h"

namespace pelorus::app {
namespace {

class ReportListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.setColumnCount(3);
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const char* name : {"one", "two", "three", "four"})
            rows.appendRow(name);
        rows.publish();
    }

    QTreeWidget list;
    TreeWidgetReportList rows{list};
};

TEST_F(ReportListTest, RowsAreAppendedInOrderAndCellsOutOfRangeAreIgnored) {
    ASSERT_EQ(rows.rowCount(), 4);
    rows.setCell(2, 2, "000004d2");
    rows.setCell(2, 3, "/usr/bin");
    rows.setCell(9, 2, "nowhere");
    rows.setCell(1, 4, "no such column");
    rows.setCell(1, 0, "no such column");
    EXPECT_EQ(list.topLevelItem(1)->text(0).toStdString(), "two");
    EXPECT_EQ(list.topLevelItem(1)->text(1).toStdString(), "000004d2");
    EXPECT_EQ(list.topLevelItem(1)->text(2).toStdString(), "/usr/bin");
    EXPECT_EQ(list.topLevelItem(0)->text(1).toStdString(), "");
    EXPECT_EQ(list.topLevelItem(3)->text(0).toStdString(), "four");
    rows.clear();
    EXPECT_EQ(rows.rowCount(), 0);
}

TEST_F(ReportListTest, RowsReachTheWidgetInBatchesWhileTheLogicSeesThemAtOnce) {
    rows.clear();
    rows.appendRow("first");
    rows.appendRow("second");
    rows.setCell(2, 2, "waiting");
    // The first row shows at once; the second waits for the frame but is a row already.
    EXPECT_EQ(list.topLevelItemCount(), 1);
    EXPECT_EQ(rows.rowCount(), 2);
    EXPECT_FALSE(rows.isRowSelected(2));
    // A frame without another row hands it over, with what was written to it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.topLevelItemCount() == 2; }));
    EXPECT_EQ(list.topLevelItem(1)->text(1).toStdString(), "waiting");
    // Fitting a column hands every waiting row over at once.
    rows.appendRow("third");
    rows.appendRow("fourth");
    rows.fitColumn(0);
    EXPECT_EQ(list.topLevelItemCount(), 4);
    rows.appendRow("dropped");
    rows.clear();
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_EQ(list.topLevelItemCount(), 0);
}

TEST_F(ReportListTest, TheSelectedRowIsTheCurrentOneWhenSelectedElseTheFirstSelected) {
    EXPECT_EQ(rows.selectedRow(), 0);
    EXPECT_FALSE(rows.isRowSelected(1));
    EXPECT_FALSE(rows.isRowSelected(0));
    EXPECT_FALSE(rows.isRowSelected(5));

    list.setCurrentItem(list.topLevelItem(2));  // selects row 3
    list.topLevelItem(1)->setSelected(true);
    EXPECT_EQ(rows.selectedRow(), 3);
    EXPECT_TRUE(rows.isRowSelected(2));

    // The current row no longer selected: the first selected one in row order, whatever
    // order they were selected in.
    list.topLevelItem(2)->setSelected(false);
    list.topLevelItem(3)->setSelected(true);
    EXPECT_EQ(rows.selectedRow(), 2);

    list.clearSelection();
    EXPECT_EQ(rows.selectedRow(), 0);
}

TEST_F(ReportListTest, FittingAColumnGivesTheWidthTheViewWouldMeasure) {
    list.setRootIsDecorated(false);  // as in the forms: no indent before the first column
    list.header()->setStretchLastSection(false);
    list.header()->setResizeContentsPrecision(-1);
    rows.setCell(1, 2, "iiiiiiiiiiiiiiiiiiii");
    rows.setCell(2, 2, "WWWWWWWWWW");
    rows.setCell(3, 2, "\u00e9t\u00e9 /usr/lib/x86_64-linux-gnu");
    rows.fitColumn(1);
    const int fitted = list.columnWidth(1);
    list.setColumnWidth(1, 3);
    list.resizeColumnToContents(1);
    EXPECT_EQ(fitted, list.columnWidth(1));

    // Many repeated and near-equal Latin texts, and a short text of another script that
    // may well be the widest: the fit still matches the view's own measure.
    for (int row = 5; row <= 300; ++row) {
        rows.appendRow("Modul");
        rows.setCell(row, 2, "libfile" + std::to_string(row % 7 == 0 ? row * 1000 : row) + ".so");
    }
    rows.setCell(4, 2, "\u6f22\u5b57\u6f22\u5b57\u6f22\u5b57\u6f22\u5b57\u2764\ufe0f");
    for (const int column : {0, 1}) {
        rows.fitColumn(column);
        const int ours = list.columnWidth(column);
        list.setColumnWidth(column, 3);
        list.resizeColumnToContents(column);
        EXPECT_EQ(ours, list.columnWidth(column)) << "column " << column;
    }
}

TEST_F(ReportListTest, FittingAColumnTakesItsHeaderIntoAccount) {
    list.header()->setStretchLastSection(false);
    list.setHeaderLabels({"A rather long header text for column one", "B", "C"});
    list.setColumnWidth(0, 5);
    rows.fitColumn(0);
    EXPECT_GE(list.columnWidth(0), list.header()->sectionSizeHint(0));

    rows.setCell(1, 3, std::string(200, 'x'));
    rows.fitColumn(2);
    EXPECT_GE(list.columnWidth(2), list.fontMetrics().horizontalAdvance(QString(200, 'x')));
}

class WindowTreeTest : public ::testing::Test {
protected:
    WindowTreeTest() {
        QPixmap red(16, 16);
        red.fill(Qt::red);
        QPixmap blue(16, 16);
        blue.fill(Qt::blue);
        images = {QIcon(red), QIcon(blue)};
    }

    QTreeWidget tree;
    std::vector<QIcon> images;
    TreeWidgetWindowTree nodes{tree, images};
};

TEST_F(WindowTreeTest, NodesAreAddedUnderTheirParentAndCountedInOrderOfAdding) {
    EXPECT_TRUE(nodes.addNode(std::nullopt, "M1F", "proc", 1));
    EXPECT_TRUE(nodes.addNode(std::string("M1F"), "SA", "a", 2));
    EXPECT_TRUE(nodes.addNode(std::string("M1F"), "SB", "b", 2));
    EXPECT_TRUE(nodes.addNode(std::string("SA"), "SA1", "a1", 2));
    ASSERT_EQ(nodes.nodeCount(), 4);
    EXPECT_EQ(nodes.key(1), "M1F");
    EXPECT_EQ(nodes.key(4), "SA1");
    EXPECT_EQ(nodes.key(0), "");
    EXPECT_EQ(nodes.key(5), "");

    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0).toStdString(), "a");
    EXPECT_EQ(root->child(0)->child(0)->text(0).toStdString(), "a1");
    EXPECT_EQ(root->icon(0).pixmap(16, 16).toImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(root->child(1)->icon(0).pixmap(16, 16).toImage().pixelColor(0, 0), QColor(Qt::blue));
}

TEST_F(WindowTreeTest, AKnownKeyOrAnUnknownParentAddsNothing) {
    ASSERT_TRUE(nodes.addNode(std::nullopt, "M1", "proc", 1));
    ASSERT_TRUE(nodes.addNode(std::string("M1"), "S10", "ten", 2));
    EXPECT_FALSE(nodes.addNode(std::string("M1"), "S10", "again", 2));
    EXPECT_FALSE(nodes.addNode(std::nullopt, "M1", "second root", 1));
    EXPECT_FALSE(nodes.addNode(std::string("S99"), "S11", "orphan", 2));
    // Out-of-range images give no picture, not a failure.
    EXPECT_TRUE(nodes.addNode(std::string("M1"), "S12", "plain", 7));
    EXPECT_EQ(nodes.nodeCount(), 3);
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), 2);
    EXPECT_TRUE(tree.topLevelItem(0)->child(1)->icon(0).isNull());

    // A cleared tree takes every key again.
    nodes.clear();
    EXPECT_EQ(nodes.nodeCount(), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_TRUE(nodes.addNode(std::nullopt, "M1", "proc", 1));
    EXPECT_TRUE(nodes.addNode(std::string("M1"), "S10", "ten", 2));
}

TEST_F(WindowTreeTest, NodesExpandedWhileChildlessShowOpenOnceTheyHaveChildren) {
    tree.show();
    ASSERT_TRUE(nodes.addNode(std::nullopt, "M1", "proc", 1));
    nodes.expand(1);
    ASSERT_TRUE(nodes.addNode(std::string("M1"), "SA", "a", 2));
    nodes.expand(2);
    ASSERT_TRUE(nodes.addNode(std::string("SA"), "SA1", "a1", 2));
    nodes.expand(3);
    ASSERT_TRUE(nodes.addNode(std::string("M1"), "SB", "b", 2));  // never expanded
    ASSERT_TRUE(nodes.addNode(std::string("SB"), "SB1", "b1", 2));

    QTreeWidgetItem* root = tree.topLevelItem(0);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_TRUE(root->child(0)->isExpanded());
    EXPECT_FALSE(root->child(1)->isExpanded());
    // What shows: the root, both windows and the child of the expanded one.
    EXPECT_TRUE(tree.visualItemRect(root->child(0)->child(0)).isValid());
    EXPECT_FALSE(tree.visualItemRect(root->child(1)->child(0)).isValid());
}

TEST_F(WindowTreeTest, SelectionIsReadPerNode) {
    ASSERT_TRUE(nodes.addNode(std::nullopt, "M1", "proc", 1));
    ASSERT_TRUE(nodes.addNode(std::string("M1"), "SA", "a", 2));
    tree.setCurrentItem(tree.topLevelItem(0)->child(0));
    EXPECT_FALSE(nodes.isSelected(1));
    EXPECT_TRUE(nodes.isSelected(2));
    EXPECT_FALSE(nodes.isSelected(3));
    EXPECT_FALSE(nodes.isSelected(0));
}

}  // namespace
}  // namespace pelorus::app
