// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/columnfit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <algorithm>

namespace pelorus::app {
namespace {

/// A process text of stacked marks as the list shows it: three letters, 510 combining
/// acute accents and the cut marker.
QString markedText(int index) {
    QString text;
    for (int k = 0; k < 3; ++k)
        text += QChar(u'a' + (index / (k == 0 ? 1 : k == 1 ? 26 : 676)) % 26);
    text += QString(510, QChar(0x0301));
    return text + QChar(0x2026);
}

/// The widest layout of all `texts`, each laid out.
int widestLayout(const QStringList& texts, const QFont& font) {
    const QFontMetrics metrics(font);
    int widest = -1;
    for (const QString& text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return widest;
}

TEST(ColumnFit, StackedMarksBesideOrdinaryNamesAreRankedOutUnlaidOut) {
    const QFont font = QApplication::font();
    QStringList ordinary{"systemd", "gnome-shell-calendar-server", "Xorg", "sleep", "bash"};
    QStringList texts;
    for (int i = 0; i < 1500; ++i)
        texts.append(markedText(i));
    texts.append(ordinary);
    const WidestText widest = widestText(texts, font);
    EXPECT_EQ(texts[widest.row], "gnome-shell-calendar-server");
    EXPECT_LE(widest.layouts, 2);
    // None of the marked texts lays out wider than the chosen one (spot checks).
    const QFontMetrics metrics(font);
    for (int i : {0, 1, 777, 1499})
        EXPECT_LE(metrics.horizontalAdvance(texts[i]),
                  metrics.horizontalAdvance(texts[widest.row]));
}

TEST(ColumnFit, HoweverManyTextsMayBeTheWidestOnlyABoundedNumberIsLaidOut) {
    QStringList texts;
    for (int i = 0; i < 1500; ++i)
        texts.append(markedText(i));
    const WidestText widest = widestText(texts, QApplication::font());
    EXPECT_EQ(widest.layouts, kMaxFitLayouts);
    EXPECT_GE(widest.row, 0);

    // The same text many times over is laid out once.
    EXPECT_EQ(widestText(QStringList(2000, markedText(7)), QApplication::font()).layouts, 1);
    EXPECT_EQ(widestText({}, QApplication::font()).row, -1);
}

// Texts of several scripts: what the fit chooses lays out as wide as the widest of all.
TEST(ColumnFit, TextsOfOtherScriptsStillFindTheWidest) {
    const QFont font = QApplication::font();
    const QStringList sets[] = {
        {"libc.so.6", QString::fromUtf8("\u6f22\u5b57\u6f22\u5b57\u6f22\u5b57"), "ld-linux.so"},
        {QString::fromUtf8("\u0645\u0644\u0641 \u0627\u0644\u0646\u0638\u0627\u0645"),
         QString::fromUtf8("\u05e7\u05d5\u05d1\u05e5"), "a"},
        {"caf\u00e9", QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467"),
         QString::fromUtf8(
             "\u0928\u092e\u0938\u094d\u0924\u0947 \u0926\u0941\u0928\u093f\u092f\u093e"),
         "WWW"},
        {"ffffffffffffffffffff", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii", "MMMMMMMM"},
    };
    for (const QStringList& texts : sets) {
        SCOPED_TRACE(texts.join(" | ").toStdString());
        const WidestText widest = widestText(texts, font);
        ASSERT_GE(widest.row, 0);
        EXPECT_EQ(QFontMetrics(font).horizontalAdvance(texts[widest.row]),
                  widestLayout(texts, font));
    }
}

}  // namespace
}  // namespace pelorus::app
