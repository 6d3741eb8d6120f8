// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/captionfit.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <functional>
#include <utility>

namespace pelorus::app {
namespace {

// The largest size of `font`, down to the smallest caption size, in which `needed` gives
// a size that fits `room`. A font given in pixels has no point size to step down.
QFont fittingFont(QFont font, const QSizeF& room,
                  const std::function<QSizeF(const QFontMetricsF&)>& needed) {
    const auto fits = [&](const QFont& candidate) {
        const QSizeF size = needed(QFontMetricsF(candidate));
        return size.width() <= room.width() && size.height() <= room.height();
    };
    while (font.pointSizeF() > kSmallestCaptionPointSize && !fits(font))
        font.setPointSizeF(std::max(kSmallestCaptionPointSize, font.pointSizeF() - 0.5));
    return font;
}

}  // namespace

void fitCaption(QPushButton& button, QFont font) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect room =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const QString caption = button.text();
    button.setFont(fittingFont(font, room.size(), [&caption](const QFontMetricsF& m) {
        return m.size(Qt::TextShowMnemonic, caption);
    }));
}

void fitCaption(QLabel& label, QFont font) {
    const QString caption = label.text();
    label.setFont(
        fittingFont(font, label.contentsRect().size(), [&caption](const QFontMetricsF& m) {
            return QSizeF(m.horizontalAdvance(caption), m.height());
        }));
}

}  // namespace pelorus::app
