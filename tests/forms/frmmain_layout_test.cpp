// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The main window's layout in pixels at any size. On Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QWindow>

#include "about/aboutbox.h"
#include "resources/formatting.h"
#include "resources/pictures.h"
#include "tests/forms/formtesting.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

using app::frmMain;

TEST(FrmMainLayout, ControlsAtTheDesignClientSizeInPixels) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    ASSERT_EQ(form->size(), QSize(599, 423));
    EXPECT_EQ(form->eLabel(0)->geometry(), QRect(8, 8, 287, 17));
    EXPECT_EQ(form->eTaskList()->geometry(), QRect(8, 24, 287, 157));
    EXPECT_EQ(form->eButton(0)->geometry(), QRect(8, 182, 72, 25));
    EXPECT_EQ(form->eButton(1)->geometry(), QRect(80, 182, 72, 25));
    EXPECT_EQ(form->eButton(2)->geometry(), QRect(152, 182, 72, 25));
    EXPECT_EQ(form->eButton(3)->geometry(), QRect(224, 182, 71, 25));
    EXPECT_EQ(form->eLabel(1)->geometry(), QRect(8, 215, 287, 17));
    EXPECT_EQ(form->TINF()->geometry(), QRect(8, 232, 287, 183));
    EXPECT_EQ(form->eLabel(2)->geometry(), QRect(303, 8, 288, 17));
    EXPECT_EQ(form->TFRM()->geometry(), QRect(303, 24, 288, 365));
    EXPECT_EQ(form->eButton(4)->geometry(), QRect(303, 390, 58, 25));
    EXPECT_EQ(form->eButton(5)->geometry(), QRect(361, 390, 57, 25));
    EXPECT_EQ(form->eButton(6)->geometry(), QRect(418, 390, 58, 25));
    EXPECT_EQ(form->eButton(7)->geometry(), QRect(476, 390, 57, 25));
    EXPECT_EQ(form->eButton(8)->geometry(), QRect(533, 390, 58, 25));
}

/// Where the layout puts every control for a client area of `size` pixels.
std::vector<QRect> expectedAt(QSize size) {
    app::ControlGeometry boxes = app::roundDesign(app::mainDesign());
    app::layoutMainWindow(boxes, {120, 120, 255, 375}, size.width() * 15, size.height() * 15);
    std::vector<QRect> rects;
    const auto add = [&](const app::TwipRect& box) {
        const app::PixelRect p = app::toPixels(box);
        rects.emplace_back(p.x, p.y, p.width, p.height);
    };
    for (const auto& box : boxes.eLabel)
        add(box);
    add(boxes.eTaskList);
    add(boxes.TINF);
    add(boxes.TFRM);
    for (const auto& box : boxes.eButton)
        add(box);
    return rects;
}

std::vector<QRect> actual(const frmMain& form) {
    std::vector<QRect> rects;
    for (int i = 0; i < 3; ++i)
        rects.push_back(form.eLabel(i)->geometry());
    rects.push_back(form.eTaskList()->geometry());
    rects.push_back(form.TINF()->geometry());
    rects.push_back(form.TFRM()->geometry());
    for (int i = 0; i < 9; ++i)
        rects.push_back(form.eButton(i)->geometry());
    return rects;
}

TEST(FrmMainLayout, EveryChangeOfSizeLaysTheWindowOutAfresh) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    // 300 x 300 twips, a larger window, then back to a middle size after the small one.
    for (QSize size : {QSize(20, 20), QSize(1000, 667), QSize(3, 2), QSize(800, 500)}) {
        form->resize(size);
        ASSERT_TRUE(waitUntil([&] { return form->size() == size; })) << size.width();
        EXPECT_EQ(actual(*form), expectedAt(size)) << size.width() << "x" << size.height();
    }
    form->resize(20, 20);
    ASSERT_TRUE(waitUntil([&] { return form->size() == QSize(20, 20); }));
    EXPECT_EQ(form->eButton(4)->y(), -13);
    EXPECT_EQ(form->eButton(4)->width(), 0);
    EXPECT_EQ(form->TFRM()->x(), 16);
}

}  // namespace
}  // namespace pelorus::testing
