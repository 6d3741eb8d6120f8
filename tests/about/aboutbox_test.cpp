// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The about box on Qt's offscreen platform, with a recording stand-in for the main form
// and a plain widget as the window it stays above.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QFontMetricsF>
#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/aboutbox.h"
#include "about/infoform.h"
#include "resources/strings.h"
#include "tests/fakes/fakelists.h"

namespace pelorus::about {
namespace {

using Calls = std::vector<std::string>;

/// Runs the event loop until `done` holds; false if it never does within a few seconds.
bool WaitFor(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 5000);
}

/// The number of separate bands of dark pixel rows the widget draws: one per text line.
int TextLinesDrawn(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    widget->render(&image);
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = qGray(image.pixel(x, y)) < 128;
        if (ink && !inBand)
            ++bands;
        inBand = ink;
    }
    return bands;
}

/// Waits until `form` is the active window. (QTest's wait also counts a window whose
/// transient parent is active, which is not the box taking input.)
bool TakesInput(QWidget* form) {
    return WaitFor([form] { return QApplication::activeWindow() == form; });
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        owner.resize(420, 300);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }

    /// Opens the box as the About command does: main form locked, then the box shown.
    InfoForm* open() {
        frmMain.setEnabled(false);
        owner.setEnabled(false);
        frmMain.calls.clear();
        box->setVisible(true);
        return qobject_cast<InfoForm*>(box->window());
    }

    testing::FakeForm frmMain;
    QWidget owner;
    std::unique_ptr<FORM_Info> box = std::make_unique<FORM_Info>(frmMain, &owner);
};

TEST_F(AboutBox, ShowsItsTextsFromTheStringTable) {
    InfoForm* form = open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Info..."));
    EXPECT_EQ(form->lLabel(0)->caption(), QStringLiteral("Pelorus Viewer 2.50 [beta 1]"));
    EXPECT_FALSE(form->lLabel(1)->caption().isEmpty());
    EXPECT_EQ(form->lLabel(1)->caption(),
              QString::fromStdString(resources::LoadString(resources::StringId::RightsNotice)));
    EXPECT_EQ(form->lLabel(2)->caption(),
              QStringLiteral("For additional information and credits, see 'Pelmarin.txt'"));
    EXPECT_EQ(form->eButton()->text(), QStringLiteral("&Close"));
    EXPECT_EQ(form->lLabel(3), nullptr);
    EXPECT_EQ(form->ePic(2), nullptr);
    EXPECT_EQ(form->ePic(0)->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(form->ePic(1)->pixmap().size(), QSize(334, 5));
}

TEST_F(AboutBox, LicenceNoteIsTwoLinesJoinedByALoneCarriageReturn) {
    InfoForm* form = open();
    ASSERT_NE(form, nullptr);
    const QString note = form->lLabel(4)->caption();
    const QString table =
        QString::fromStdString(resources::LoadString(resources::StringId::LicenceNote));
    ASSERT_EQ(table.count(QLatin1Char('|')), 1);

    EXPECT_EQ(note, QString(table).replace(QLatin1Char('|'), QLatin1Char('\r')));
    EXPECT_EQ(note.count(QLatin1Char('\r')), 1);
    EXPECT_FALSE(note.contains(QLatin1Char('\n')));
    EXPECT_FALSE(note.contains(QLatin1Char('|')));
    EXPECT_FALSE(note.startsWith(QLatin1Char('\r')));
    EXPECT_FALSE(note.endsWith(QLatin1Char('\r')));

    // Qt alone would draw the CR as a blank inside one line.
    EXPECT_EQ(TextLinesDrawn(form->lLabel(4)), 2);
    EXPECT_EQ(TextLinesDrawn(form->lLabel(0)), 1);
    EXPECT_EQ(TextLinesDrawn(form->lLabel(2)), 1);
}

/// Whether every line of the label's text fits its width, and all of them its height,
/// in the font it is drawn in.
bool LinesFit(const QLabel* label) {
    const QFontMetricsF metrics(label->font());
    const QStringList lines = label->text().split(QLatin1Char('\n'));
    if (static_cast<double>(lines.size() - 1) * metrics.lineSpacing() + metrics.height() >
        label->contentsRect().height()) {
        return false;
    }
    for (const QString& line : lines) {
        if (metrics.horizontalAdvance(line) > label->contentsRect().width())
            return false;
    }
    return true;
}

TEST(CaptionLabel, EveryLineEndBreaksTheLineOnceAndTheCaptionKeepsIt) {
    QWidget parent;
    parent.resize(300, 200);
    CaptionLabel label(&parent, parent.font());
    label.setGeometry(0, 0, 300, 200);

    label.setCaption(QStringLiteral("first\rsecond\r\nthird\nfourth"));
    EXPECT_EQ(label.caption(), QStringLiteral("first\rsecond\r\nthird\nfourth"));
    EXPECT_EQ(label.property("caption").toString(), label.caption());
    EXPECT_EQ(TextLinesDrawn(&label), 4);

    label.setCaption(QStringLiteral("<b>one</b>"));
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(TextLinesDrawn(&label), 1);
}

TEST(CaptionLabel, ALineTooWideIsDrawnInTheLargestSmallerSizeThatFits) {
    QWidget parent;
    const QFont design = parent.font();
    CaptionLabel label(&parent, design);
    label.setGeometry(0, 0, 200, 60);

    label.setCaption(QStringLiteral("short\rand a line much too wide for this label"));
    EXPECT_LT(label.font().pointSizeF(), design.pointSizeF());
    EXPECT_EQ(label.font().family(), design.family());
    EXPECT_EQ(label.font().weight(), design.weight());
    EXPECT_TRUE(LinesFit(&label));
    QFont larger = label.font();
    larger.setPointSizeF(label.font().pointSizeF() + 0.25);
    EXPECT_GT(QFontMetricsF(larger).horizontalAdvance(
                  QStringLiteral("and a line much too wide for this label")),
              200.0);

    // The next caption starts from the design font again.
    label.setCaption(QStringLiteral("short"));
    EXPECT_EQ(label.font(), design);

    // A caption that no readable size fits is drawn at the smallest size, not smaller.
    label.setCaption(QString(400, QLatin1Char('W')));
    EXPECT_EQ(label.font().pointSizeF(), CaptionLabel::kSmallestPointSize);
}

TEST(CaptionLabel, LinesTallerThanTheLabelAreDrawnInASmallerSizeThatFits) {
    QWidget parent;
    QFont large = parent.font();
    large.setPointSizeF(20);
    large.setBold(true);
    // The title line's label: 15 pixels high, with room across for a short caption.
    CaptionLabel label(&parent, large);
    label.setGeometry(0, 0, 400, 15);
    label.setCaption(QStringLiteral("Title"));
    EXPECT_LT(label.font().pointSizeF(), large.pointSizeF());
    EXPECT_TRUE(label.font().bold());
    EXPECT_TRUE(LinesFit(&label));

    // Two short lines that fit the height one at a time but not together.
    label.setGeometry(0, 0, 400, 30);
    label.setCaption(QStringLiteral("Title"));
    const double oneLine = label.font().pointSizeF();
    label.setCaption(QStringLiteral("Title\rTitle"));
    EXPECT_LT(label.font().pointSizeF(), oneLine);
    EXPECT_TRUE(LinesFit(&label));
}

TEST_F(AboutBox, ControlsSitAtTheirDesignGeometry) {
    InfoForm* form = open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->size(), QSize(334, 160));
    EXPECT_EQ(form->minimumSize(), QSize(334, 160));
    EXPECT_EQ(form->maximumSize(), QSize(334, 160));
    EXPECT_FALSE(form->isSizeGripEnabled());

    EXPECT_EQ(form->ePic(0)->geometry(), QRect(16, 14, 32, 32));
    EXPECT_EQ(form->lLabel(0)->geometry(), QRect(56, 16, 273, 15));
    EXPECT_EQ(form->lLabel(1)->geometry(), QRect(56, 32, 273, 17));
    EXPECT_EQ(form->lLabel(2)->geometry(), QRect(8, 56, 321, 17));
    EXPECT_EQ(form->lLabel(4)->geometry(), QRect(8, 80, 321, 37));
    // The strip spans the whole client width from the left edge, not its 4965-twip box.
    EXPECT_EQ(form->ePic(1)->geometry(), QRect(0, 116, 334, 5));
    EXPECT_EQ(form->eButton()->geometry(), QRect(248, 128, 81, 25));
}

TEST_F(AboutBox, FontsAlignmentAndColoursFollowTheDesign) {
    InfoForm* form = open();
    ASSERT_NE(form, nullptr);
    const QFont standard = QApplication::font();
    for (int index : {0, 4}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(form->lLabel(index)->font().weight(), 700);
        EXPECT_EQ(form->lLabel(index)->font().family(), standard.family());
        EXPECT_EQ(form->lLabel(index)->font().pointSizeF(), standard.pointSizeF());
    }
    for (QWidget* regular :
         {static_cast<QWidget*>(form->lLabel(1)), static_cast<QWidget*>(form->lLabel(2)),
          static_cast<QWidget*>(form->eButton())}) {
        SCOPED_TRACE(regular->objectName().toStdString());
        EXPECT_EQ(regular->font().weight(), 400);
        EXPECT_EQ(regular->font().family(), standard.family());
        EXPECT_LE(regular->font().pointSizeF(), standard.pointSizeF());
    }
    // No text is cut off at the edges of its label, whatever the desktop's font.
    for (int index : {0, 1, 2, 4})
        EXPECT_TRUE(LinesFit(form->lLabel(index))) << index;
    EXPECT_TRUE(form->lLabel(0)->alignment() & Qt::AlignLeft);
    EXPECT_TRUE(form->lLabel(1)->alignment() & Qt::AlignLeft);
    EXPECT_TRUE(form->lLabel(2)->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(form->lLabel(4)->alignment() & Qt::AlignHCenter);

    QImage image(form->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    form->render(&image);
    // Empty client area (right of the labels, left of the button) and the empty end of a
    // label are white; the darkest pixel of a label's text is black.
    EXPECT_EQ(QColor(image.pixel(331, 5)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(image.pixel(100, 150)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(image.pixel(327, 20)), QColor(255, 255, 255));
    int darkest = 255;
    const QRect title = form->lLabel(0)->geometry();
    for (int y = title.top(); y <= title.bottom(); ++y) {
        for (int x = title.left(); x <= title.right(); ++x) {
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
        }
    }
    EXPECT_EQ(darkest, 0);
}

TEST_F(AboutBox, IsAFixedDialogOfItsOwnAboveTheMainWindow) {
    InfoForm* form = open();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModal());
    EXPECT_EQ(form->windowModality(), Qt::NonModal);

    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_EQ(form->windowType(), Qt::Dialog);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowIcon().isNull());

    // Never a Qt child of the main window, which would be disabled along with it.
    EXPECT_EQ(form->parentWidget(), nullptr);
    EXPECT_EQ(form->parent(), nullptr);
    EXPECT_FALSE(owner.isAncestorOf(form));
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(form->eButton()->isEnabled());
    ASSERT_NE(form->windowHandle(), nullptr);
    EXPECT_EQ(form->windowHandle()->transientParent(), owner.windowHandle());
    EXPECT_TRUE(form->testAttribute(Qt::WA_DeleteOnClose));
}

TEST_F(AboutBox, OnlyTheButtonTakesFocusAndHasItWhenShown) {
    InfoForm* form = open();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(TakesInput(form));
    EXPECT_EQ(QApplication::focusWidget(), form->eButton());
    EXPECT_TRUE(form->eButton()->isDefault());
    // Tab has nowhere else to go.
    QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->eButton());
}

/// One way of closing the box, acting on the shown, active window.
struct Route {
    const char* name;
    std::function<void(FORM_Info&, InfoForm*)> close;
};

class ClosingRoute : public AboutBox, public ::testing::WithParamInterface<Route> {};

TEST_P(ClosingRoute, UnloadsTheBoxAndGivesTheMainFormItsInputBackOnce) {
    QPointer<InfoForm> form = open();
    ASSERT_TRUE(form);
    ASSERT_TRUE(TakesInput(form));
    EXPECT_TRUE(frmMain.calls.empty());

    GetParam().close(*box, form);

    EXPECT_TRUE(WaitFor([&] { return form.isNull(); })) << "the window was not destroyed";
    EXPECT_EQ(box->window(), nullptr);
    // Input back, and nothing else: no showing or activating of the main form.
    EXPECT_EQ(frmMain.calls, Calls{"enable"});
    EXPECT_TRUE(frmMain.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    AboutBox, ClosingRoute,
    ::testing::Values(
        Route{
            "ButtonClick",
            [](FORM_Info&, InfoForm* form) { QTest::mouseClick(form->eButton(), Qt::LeftButton); }},
        Route{"Enter",
              [](FORM_Info&, InfoForm* form) {
                  QTest::keyClick(form->windowHandle(), Qt::Key_Return);
              }},
        Route{"KeypadEnter",
              [](FORM_Info&, InfoForm* form) {
                  QTest::keyClick(form->windowHandle(), Qt::Key_Enter, Qt::KeypadModifier);
              }},
        Route{"Escape",
              [](FORM_Info&, InfoForm* form) {
                  QTest::keyClick(form->windowHandle(), Qt::Key_Escape);
              }},
        Route{"Space",
              [](FORM_Info&, InfoForm* form) {
                  QTest::keyClick(form->windowHandle(), Qt::Key_Space);
              }},
        Route{"AltC",
              [](FORM_Info&, InfoForm* form) {
                  QTest::keyClick(form->windowHandle(), Qt::Key_C, Qt::AltModifier);
              }},
        Route{"WindowClose", [](FORM_Info&, InfoForm* form) { form->windowHandle()->close(); }},
        Route{"WidgetClose", [](FORM_Info&, InfoForm* form) { form->close(); }},
        Route{"SetVisibleFalse", [](FORM_Info& box, InfoForm*) { box.setVisible(false); }},
        Route{"TwoCloseRequests",
              [](FORM_Info&, InfoForm* form) {
                  form->close();
                  form->close();
              }}),
    [](const ::testing::TestParamInfo<Route>& info) { return std::string(info.param.name); });

TEST_F(AboutBox, EachShowingLoadsAFreshWindowWithTheSameContent) {
    QPointer<InfoForm> first = open();
    ASSERT_TRUE(first);
    const QString title = first->windowTitle();
    const QString line = first->lLabel(0)->caption();
    const QString note = first->lLabel(4)->caption();

    // Showing a loaded box again keeps its window.
    box->setVisible(true);
    EXPECT_EQ(box->window(), first.data());

    box->setVisible(false);
    ASSERT_TRUE(WaitFor([&] { return first.isNull(); }));
    EXPECT_EQ(frmMain.calls, Calls{"enable"});

    QPointer<InfoForm> second = open();
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->windowTitle(), title);
    EXPECT_EQ(second->lLabel(0)->caption(), line);
    EXPECT_EQ(second->lLabel(4)->caption(), note);
    EXPECT_EQ(second->windowHandle()->transientParent(), owner.windowHandle());
    ASSERT_TRUE(TakesInput(second));
    EXPECT_EQ(QApplication::focusWidget(), second->eButton());

    QTest::keyClick(second->windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return second.isNull(); }));
    EXPECT_EQ(frmMain.calls, Calls{"enable"});
}

TEST_F(AboutBox, SettingItHiddenWhenNotLoadedDoesNothing) {
    box->setVisible(false);
    EXPECT_EQ(box->window(), nullptr);
    EXPECT_TRUE(frmMain.calls.empty());
}

TEST_F(AboutBox, GoesWithItsInstanceWithoutTouchingTheMainForm) {
    QPointer<InfoForm> form = open();
    ASSERT_TRUE(form);
    box.reset();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(frmMain.calls.empty());
}

TEST(AboutBoxOwner, AnOwnerThatHasGoneLeavesTheBoxWithoutTransientParent) {
    testing::FakeForm frmMain;
    auto owner = std::make_unique<QWidget>();
    FORM_Info box(frmMain, owner.get());
    owner.reset();
    box.setVisible(true);
    ASSERT_NE(box.window(), nullptr);
    EXPECT_EQ(box.window()->windowHandle()->transientParent(), nullptr);
    box.setVisible(false);
    EXPECT_EQ(frmMain.calls, Calls{"enable"});
}

}  // namespace
}  // namespace pelorus::about
