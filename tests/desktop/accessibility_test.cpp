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
    // Qt makes a new header cell for each such question and keeps no hold of it; handed
    // to its registry, it goes when the application does.
    QAccessible::registerAccessibleInterface(headers.front());
    EXPECT_EQ(Name(headers.front()), "ProcID");
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
