// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTreeWidget>
#include <memory>
#include <ostream>

#include "about/infoform.h"
#include "app/frmmain.h"
#include "app/listaccessibility.h"
#include "tests/fakes/fakelists.h"
#include "tests/forms/formtesting.h"

// Failures show the texts.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// What a screen reader is told, read through Qt's accessibility interfaces.
namespace pelorus::app {
namespace {

using platform::ButtonIndex;

QString Name(QAccessibleInterface* element) {
    return element != nullptr ? element->text(QAccessible::Name) : QStringLiteral("<none>");
}

QString Name(QObject* object) {
    return Name(QAccessible::queryAccessibleInterface(object));
}

class ScreenReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.processes.add(100, 8, "/usr/bin/alpha");
        platform.processes.add(200, 8, "/usr/lib/beta");
        platform.windows.add(10, 1, 200, "Beta main", "BetaClass");
        form = testing::showLoadedForm(platform);
    }

    testing::FakePlatform platform;
    std::unique_ptr<frmMain> form;
};

TEST_F(ScreenReaderTest, ButtonsAreReadByTheirCaptionsAndTheDisabledOneAsUnavailable) {
    QStringList names;
    for (int i = 0; i < 9; ++i) {
        QAccessibleInterface* button =
            QAccessible::queryAccessibleInterface(form->eButton(static_cast<ButtonIndex>(i)));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_EQ(button->state().disabled, i == static_cast<int>(ButtonIndex::RefreshWindows));
        names << Name(button);
    }
    EXPECT_EQ(names, (QStringList{"Kill", "Refresh", "About", "Quit", "Show", "Hide", "Refresh",
                                  "Show all", "Hide all"}));
}

TEST_F(ScreenReaderTest, EachPanelIsNamedByTheLabelAboveIt) {
    EXPECT_EQ(Name(form->eTaskList()), "Tasks (currently running)");
    EXPECT_EQ(Name(form->TINF()), "Information");
    EXPECT_EQ(Name(form->TFRM()), "Windows (& windowlike controls)");
    // The tree's one column, its header hidden, is named after the panel too.
    QAccessibleTableInterface* tree =
        QAccessible::queryAccessibleInterface(form->TFRM())->tableInterface();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->columnDescription(0), "Windows (& windowlike controls)");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Name(form->eLabel(i)), form->eLabel(i)->text()) << i;
}

TEST_F(ScreenReaderTest, AListCellIsReadWithItsColumnHeader) {
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(form->eTaskList())->tableInterface();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->columnCount(), 3);
    QAccessibleInterface* cell = table->cellAt(1, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(Name(cell), "000000c8");
    const auto headers = cell->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(Name(headers.front()), "ProcID");
    // The list keeps one header object per column, the same whoever asks.
    EXPECT_EQ(headers.front(), table->cellAt(0, 1)->tableCellInterface()->columnHeaderCells()[0]);
    EXPECT_EQ(headers.front(), QAccessible::queryAccessibleInterface(form->eTaskList())->child(1));
}

/// Every cell of `list` asked for by its place and as a child, twice over; the names read,
/// row by row. Fails when two questions for one cell get two objects.
QStringList ReadEveryCellTwice(QTreeWidget* list) {
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    QAccessibleTableInterface* table = view->tableInterface();
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            QAccessibleInterface* cell = table->cellAt(row, column);
            const int index = view->indexOfChild(cell);
            EXPECT_EQ(index, (row + 1) * table->columnCount() + column);
            EXPECT_EQ(view->child(index), cell);
            EXPECT_EQ(table->cellAt(row, column), cell);
            EXPECT_EQ(cell->tableCellInterface()->rowIndex(), row);
            names << Name(cell);
        }
    }
    return names;
}

TEST_F(ScreenReaderTest, EachListHasOneObjectPerCellHoweverOftenItIsRead) {
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(1));
    form->ShowTaskDetails();
    struct Case {
        QTreeWidget* list;
        int cells;  ///< rows times columns
    };
    const Case cases[] = {{form->eTaskList(), 2 * 3},
                          {form->TINF(), form->TINF()->topLevelItemCount() * 3},
                          {form->TFRM(), 2 * 1}};
    int cells = 0;
    for (const auto& [list, count] : cases) {
        ReadEveryCellTwice(list);
        ReadEveryCellTwice(list);
        cells += count;
        EXPECT_EQ(accessibleListCellCount(), cells) << Name(list).toStdString();
    }
    // A refresh clears the task list: its cells' objects go with their rows.
    form->eButton_Click(static_cast<int>(ButtonIndex::Refresh));
    EXPECT_EQ(accessibleListCellCount(), cells - 2 * 3);
}

TEST_F(ScreenReaderTest, ARemovedRowTakesItsCellsAndTheRowsBelowMoveUp) {
    platform.processes.add(300, 13, "/opt/gamma");
    form->eButton_Click(static_cast<int>(ButtonIndex::Refresh));
    QTreeWidget* list = form->eTaskList();
    ASSERT_TRUE(testing::waitUntil([list] { return list->topLevelItemCount() == 3; }));
    EXPECT_EQ(ReadEveryCellTwice(list),
              (QStringList{"alpha", "00000064", "/usr/bin", "beta", "000000c8", "/usr/lib", "gamma",
                           "0000012c", "/opt"}));
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(list)->tableInterface();
    QAccessibleInterface* gamma = table->cellAt(2, 0);
    delete list->takeTopLevelItem(1);
    EXPECT_EQ(accessibleListCellCount(), 2 * 3);
    // The same object, at its row's new place.
    EXPECT_EQ(table->cellAt(1, 0), gamma);
    EXPECT_EQ(gamma->tableCellInterface()->rowIndex(), 1);
    EXPECT_EQ(ReadEveryCellTwice(list),
              (QStringList{"alpha", "00000064", "/usr/bin", "gamma", "0000012c", "/opt"}));
}

TEST_F(ScreenReaderTest, TheTreesRowsAreItsShownNodesInOutlineOrder) {
    platform.windows.add(11, 10, 200, "Tools", "Panel");
    platform.windows.add(20, 1, 200, "Beta help", "BetaClass", true);
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(1));
    form->ShowTaskDetails();
    QTreeWidget* tree = form->TFRM();
    const QStringList outline{"beta", "Beta main (BetaClass)   (10)", "Tools (Panel)   (11)",
                              "Beta help (BetaClass)   (20)"};
    EXPECT_EQ(ReadEveryCellTwice(tree), outline);
    QAccessibleInterface* help = QAccessible::queryAccessibleInterface(tree)->child(4);
    // Collapsed, a node's children are no longer rows; the rows below move up.
    QTreeWidgetItem* main = tree->topLevelItem(0)->child(0);
    main->setExpanded(false);
    EXPECT_EQ(ReadEveryCellTwice(tree), (QStringList{outline[0], outline[1], outline[3]}));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(tree)->child(3), help);
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(tree)->child(2);
    EXPECT_TRUE(node->state().expandable);
    EXPECT_FALSE(node->state().expanded);
    main->setExpanded(true);
    EXPECT_EQ(ReadEveryCellTwice(tree), outline);
    EXPECT_TRUE(node->state().expanded);
}

TEST_F(ScreenReaderTest, TreeNodesAreReadByTheirText) {
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(1));
    form->ShowTaskDetails();
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(form->TFRM());
    ASSERT_NE(tree, nullptr);
    // The view lays out its new rows when it next handles events, as before any drawing.
    testing::waitUntil([tree] { return tree->childCount() >= 3; });
    QStringList nodes;
    for (int i = 0; i < tree->childCount(); ++i) {
        QAccessibleInterface* node = tree->child(i);
        if (node != nullptr && node->role() == QAccessible::TreeItem)
            nodes << Name(node);
    }
    EXPECT_EQ(nodes, (QStringList{"beta", "Beta main (BetaClass)   (10)"}));
}

TEST(ScreenReader, TheAboutBoxTextsAreRead) {
    testing::FakeForm owner;
    about::InfoForm box(owner);
    box.Form_Load();
    EXPECT_TRUE(Name(box.lLabel(0)).startsWith("Pelorus Viewer "));
    EXPECT_EQ(Name(box.lLabel(1)), box.lLabel(1)->text());
    EXPECT_TRUE(Name(box.lLabel(2)).contains("'Pelmarin.txt'"));
    EXPECT_TRUE(Name(box.lLabel(4)).contains("MIT License"));
    EXPECT_EQ(Name(box.eButton()), "Close");
}

}  // namespace
}  // namespace pelorus::app
