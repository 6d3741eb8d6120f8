// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// What the main window shows after loading, before and after its first showing. On Qt's offscreen
// platform.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QWindow>

#include "about/aboutbox.h"
#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "resources/pictures.h"
#include "tests/forms/formtesting.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

using app::frmMain;

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(32, 32).toImage();
}

TEST(FrmMainLoad, TitleIconCaptionsAndHeaders) {
    FakePlatform platform;
    frmMain form(platform);
    form.Form_Load();

    EXPECT_EQ(form.windowTitle().toStdString(), "Pelorus Viewer 2.50 [beta 1]");
    EXPECT_EQ(iconImage(form.windowIcon()),
              iconImage(resources::loadIconResource(resources::IconId::MainWindow)));
    EXPECT_NE(iconImage(form.windowIcon()),
              iconImage(resources::loadIconResource(resources::IconId::Program)));
    // The icon is this window's alone: the about box shows none.
    EXPECT_TRUE(QApplication::windowIcon().isNull());

    const char* labels[] = {"Tasks (currently running)", "Information",
                            "Windows (& windowlike controls)"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(form.eLabel(i)->text().toStdString(), labels[i]);
        EXPECT_TRUE(form.eLabel(i)->font().bold());
        EXPECT_EQ(form.eLabel(i)->alignment(), Qt::AlignCenter);
        EXPECT_EQ(form.eLabel(i)->focusPolicy(), Qt::NoFocus);
    }
    const char* captions[] = {"&Kill", "&Refresh", "&About",    "&Quit",    "&Show",
                              "&Hide", "&Refresh", "S&how all", "H&ide all"};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(form.eButton(i)->text().toStdString(), captions[i]);

    const char* taskHeaders[] = {"Task (filename)", "ProcID", "Location"};
    const char* detailHeaders[] = {"Property", "Filename / TdID", "Location / Priority"};
    ASSERT_EQ(form.eTaskList()->columnCount(), 3);
    ASSERT_EQ(form.TINF()->columnCount(), 3);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(form.eTaskList()->headerItem()->text(c).toStdString(), taskHeaders[c]);
        EXPECT_EQ(form.TINF()->headerItem()->text(c).toStdString(), detailHeaders[c]);
    }
}

TEST(FrmMainLoad, TheAmpersandOfTheTreeHeaderIsDrawnAsACharacter) {
    FakePlatform platform;
    frmMain form(platform);
    form.Form_Load();
    // Drawn as a mnemonic, "&" would vanish and the text would be narrower.
    QLabel& label = *form.eLabel(2);
    const int plain = label.fontMetrics().horizontalAdvance(label.text());
    EXPECT_GE(label.sizeHint().width(), plain);
}

TEST(FrmMainLoad, ListsKeepTheirDesignColumnWidthsUntilFilled) {
    FakePlatform platform;  // no process: the refresh fits nothing
    frmMain form(platform);
    form.Form_Load();
    form.resize(1200, 800);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int taskWidths[] = {96, 96, 96};
    const int detailWidths[] = {96, 96, 1440};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(form.eTaskList()->columnWidth(c), taskWidths[c]) << c;
        EXPECT_EQ(form.TINF()->columnWidth(c), detailWidths[c]) << c;
    }
    EXPECT_EQ(form.TINF()->topLevelItemCount(), 0);
    EXPECT_EQ(form.TFRM()->topLevelItemCount(), 0);
}

TEST(FrmMainLoad, ImageListHoldsTwoSixteenPixelImages) {
    FakePlatform platform;
    frmMain form(platform);
    EXPECT_TRUE(form.eImgList().empty());
    form.Form_Load();
    ASSERT_EQ(form.eImgList().size(), 2U);
    for (const QIcon& image : form.eImgList()) {
        EXPECT_EQ(image.availableSizes(), QList<QSize>{QSize(16, 16)});
    }
    EXPECT_NE(form.eImgList()[0].pixmap(16, 16).toImage(),
              form.eImgList()[1].pixmap(16, 16).toImage());
    EXPECT_EQ(form.measures(), (app::LayoutMeasures{120, 120, 255, 375}));
}

TEST(FrmMainLoad, EventsWaitingAtLoadAreHandledBeforeTheTaskListFills) {
    FakePlatform platform;
    addThreeProcesses(platform);
    frmMain form(platform);
    int snapshotsWhenHandled = -1;
    QMetaObject::invokeMethod(
        &form, [&] { snapshotsWhenHandled = platform.processes.log.taken; }, Qt::QueuedConnection);
    form.Form_Load();
    EXPECT_EQ(snapshotsWhenHandled, 0);
    EXPECT_EQ(platform.processes.log.taken, 1);
    EXPECT_EQ(form.eTaskList()->topLevelItemCount(), 3);
}

TEST(FrmMainLoad, TheTaskListShowsRealProcessesBeforeTheFirstShow) {
    ChildProcess child = ChildProcess::start({"sleep", "1000"});
    ASSERT_GT(child.pid(), 0);
    const auto platform = platform::makeNativePlatform();
    frmMain form(*platform);
    form.Form_Load();
    ASSERT_FALSE(form.isVisible());
    const int row = rowOf(*form.eTaskList(), text::HexHandle(child.pid()));
    ASSERT_GE(row, 0);
    const QTreeWidgetItem* item = form.eTaskList()->topLevelItem(row);
    EXPECT_EQ(item->text(0).toStdString(), "sleep");
    EXPECT_EQ(form.taskTables().TaskPid[static_cast<size_t>(row)], child.pid());
    EXPECT_EQ(form.TINF()->topLevelItemCount(), 0);
    EXPECT_EQ(form.TFRM()->topLevelItemCount(), 0);
    // Filled, the columns were fitted to their contents.
    EXPECT_NE(form.eTaskList()->columnWidth(2), 96);
}

}  // namespace
}  // namespace pelorus::testing
