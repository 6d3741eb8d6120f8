// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWindow>
#include <memory>

#include "about/aboutbox.h"
#include "about/infoform.h"
#include "app/frmmain.h"
#include "app/mainlayout.h"
#include "platform/platform.h"
#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "resources/pictures.h"
#include "resources/twips.h"
#include "tests/forms/formtesting.h"
#include "tests/support/qtsession.h"

// Qt reads the scale factor when the application starts, before any test runs; the test
// main drops the session's own scaling settings and gives Qt this one.
static const bool kScaledTwice = [] {
    pelorus::testing::requestedScaleFactor() = 2;
    return true;
}();

// The viewer at a device pixel ratio of 2, on a private X server.
namespace pelorus::app {
namespace {

using platform::ButtonIndex;
using resources::IconId;
using resources::toPixels;

QRect Box(const resources::TwipRect& twips) {
    const resources::PixelRect pixels = toPixels(twips);
    return {pixels.x, pixels.y, pixels.width, pixels.height};
}

class ScaleTwoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kScaledTwice);
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        platform = platform::makeNativePlatform();
        form = testing::showLoadedForm(*platform);
        ASSERT_EQ(form->devicePixelRatioF(), 2.0);
    }

    std::unique_ptr<platform::Platform> platform;
    std::unique_ptr<frmMain> form;
};

// The layout is in device-independent pixels: the same boxes as at ratio 1, drawn with
// twice the pixels.
TEST_F(ScaleTwoTest, TheLayoutHoldsInDeviceIndependentPixels) {
    EXPECT_EQ(form->size(), QSize(599, 423));
    EXPECT_EQ(form->grab().size(), QSize(1198, 846));
    // What the layout gives the design's client size, at any ratio.
    ControlGeometry boxes = roundDesign(mainDesign());
    layoutMainWindow(boxes, measuresFromDesign(mainDesign()), 599 * resources::TwipsPerPixel,
                     423 * resources::TwipsPerPixel);
    EXPECT_EQ(form->controlGeometry(), boxes);
    EXPECT_EQ(form->TFRM()->geometry(), Box(boxes.TFRM));
    EXPECT_EQ(form->TINF()->geometry(), Box(boxes.TINF));
    EXPECT_EQ(form->eTaskList()->geometry(), Box(boxes.eTaskList));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(form->eLabel(i)->geometry(), Box(boxes.eLabel[static_cast<size_t>(i)])) << i;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(form->eButton(static_cast<ButtonIndex>(i))->geometry(),
                  Box(boxes.eButton[static_cast<size_t>(i)]))
            << i;
    }
}

// The pictures are drawn from artwork of twice the resolution, not enlarged.
TEST_F(ScaleTwoTest, ThePicturesAreDrawnAtTwiceTheirResolution) {
    ASSERT_EQ(form->eImgList().size(), 2u);
    EXPECT_EQ(form->eImgList()[0].pixmap(QSize(16, 16), 2.0).toImage(),
              resources::loadIconPicture(IconId::TreeProcess).toImage());
    EXPECT_EQ(form->windowIcon().pixmap(QSize(32, 32), 2.0).toImage(),
              resources::loadIconPicture(IconId::MainWindow, 2.0).toImage());

    form->eButton_Click(static_cast<int>(ButtonIndex::About));
    auto* box = qobject_cast<about::InfoForm*>(form->aboutBox()->window());
    ASSERT_NE(box, nullptr);
    const QPixmap icon = box->ePic(0)->pixmap();
    EXPECT_EQ(icon.size(), QSize(64, 64));
    EXPECT_EQ(box->ePic(0)->size(), QSize(32, 32));
    const QPixmap strip = box->ePic(1)->pixmap();
    EXPECT_EQ(strip.size(), QSize(668, 10));
    EXPECT_EQ(box->ePic(1)->size(), QSize(334, 5));
    box->close();
}

// The screenshot of the main window at ratio 2 for the documentation: this test's own
// process opened, with its windows in the tree.
TEST_F(ScaleTwoTest, Screenshot) {
    const int row = testing::rowOf(*form->eTaskList(), text::HexHandle(getpid()));
    ASSERT_GE(row, 0);
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(row));
    form->ShowTaskDetails();
    ASSERT_GE(form->TFRM()->topLevelItemCount(), 1);
    const QString folder = QStringLiteral(PELORUS_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage shot = form->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(1198, 846));
    EXPECT_TRUE(shot.save(folder + QStringLiteral("/main-window-scale2.png")));
}

}  // namespace
}  // namespace pelorus::app
