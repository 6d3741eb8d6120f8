// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <memory>

#include "app/captionfit.h"
#include "app/frmmain.h"
#include "tests/forms/formtesting.h"

namespace pelorus::app {
namespace {

using platform::ButtonIndex;

// Whether the whole caption is drawn inside the control.
bool Fits(const QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    const QRect room =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const QSizeF needed = QFontMetricsF(button.font()).size(Qt::TextShowMnemonic, button.text());
    return needed.width() <= room.width() && needed.height() <= room.height();
}

bool Fits(const QLabel& label) {
    const QFontMetricsF metrics(label.font());
    return metrics.horizontalAdvance(label.text()) <= label.contentsRect().width() &&
           metrics.height() <= label.contentsRect().height();
}

// A desktop font half again as large as the usual one, for the length of a test.
class LargerDesktopFont : public ::testing::Test {
protected:
    void SetUp() override {
        QFont large = m_usual;
        large.setPointSizeF(m_usual.pointSizeF() * 1.5);
        QApplication::setFont(large);
    }
    void TearDown() override { QApplication::setFont(m_usual); }

    const QFont m_usual = QApplication::font();
};

TEST_F(LargerDesktopFont, TheMainWindowsCaptionsAreNotCutOff) {
    testing::FakePlatform platform;
    auto form = testing::showLoadedForm(platform);
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(Fits(*form->eButton(static_cast<ButtonIndex>(i)))) << i;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Fits(*form->eLabel(i))) << i;
    // Those that fit in the desktop's font keep it.
    EXPECT_EQ(form->eButton(ButtonIndex::Kill)->font().pointSizeF(),
              QApplication::font().pointSizeF());

    // Made wider, the window gives the captions their room back.
    const QFont before = form->eButton(ButtonIndex::ShowAll)->font();
    form->resize(form->width() * 2, form->height());
    EXPECT_GT(form->eButton(ButtonIndex::ShowAll)->font().pointSizeF(), before.pointSizeF());
}

// The desktop font changes back while the window is open: the captions follow at once.
TEST_F(LargerDesktopFont, ANewDesktopFontIsFittedAtOnce) {
    testing::FakePlatform platform;
    auto form = testing::showLoadedForm(platform);
    QApplication::setFont(m_usual);
    QApplication::processEvents();
    for (int i = 0; i < 9; ++i) {
        const QPushButton& button = *form->eButton(static_cast<ButtonIndex>(i));
        EXPECT_EQ(button.font().pointSizeF(), m_usual.pointSizeF()) << i;
        EXPECT_TRUE(Fits(button)) << i;
    }
}

TEST(FitCaption, ACaptionThatCannotFitStopsAtTheSmallestSize) {
    QPushButton button(QStringLiteral("&A caption far too long for its button"));
    button.resize(20, 25);
    QFont font = button.font();
    font.setPointSizeF(12);
    fitCaption(button, font);
    EXPECT_EQ(button.font().pointSizeF(), kSmallestCaptionPointSize);
}

}  // namespace
}  // namespace pelorus::app
