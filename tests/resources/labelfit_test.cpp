// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The about box's labels have fixed sizes; the texts must fit them in the desktop's default
// font (regular or bold as each label has it). Sizes in pixels at 15 twips per pixel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <algorithm>

#include "resources/strings.h"
#include "resources/version.h"

namespace {

using pelorus::resources::LoadString;

QFont LabelFont(bool bold) {
    QFont font = QApplication::font();
    font.setBold(bold);
    return font;
}

int Width(const std::string& text, bool bold) {
    return QFontMetrics(LabelFont(bold)).horizontalAdvance(QString::fromStdString(text));
}

int LineHeight(bool bold) {
    const QFontMetrics metrics(LabelFont(bold));
    return std::max(metrics.height(), metrics.lineSpacing());
}

TEST(LabelFit, TitleLineFitsItsBoldLabel) {  // 4095 x 225 twips
    const std::string title = pelorus::resources::titleLine(pelorus::resources::programVersion());
    EXPECT_LE(Width(title, true), 273) << title;
    EXPECT_LE(LineHeight(true), 15);
}

TEST(LabelFit, RightsNoticeFitsItsLabel) {  // 4095 x 255 twips, regular
    EXPECT_LE(Width(LoadString(pelorus::resources::StringId::RightsNotice), false), 273);
    EXPECT_LE(LineHeight(false), 17);
}

TEST(LabelFit, LicenceNoteFitsItsBoldLabelOnTwoLines) {  // 4815 x 555 twips
    const std::string note = LoadString(pelorus::resources::StringId::LicenceNote);
    const auto bar = note.find('|');
    ASSERT_NE(bar, std::string::npos);
    EXPECT_LE(Width(note.substr(0, bar), true), 321);
    EXPECT_LE(Width(note.substr(bar + 1), true), 321);
    EXPECT_LE(2 * LineHeight(true), 37);
}

}  // namespace
