// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/imagelistpicture.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <utility>

namespace pelorus::app {
namespace {

class ImageListEngine final : public QIconEngine {
public:
    ImageListEngine(QPixmap small, QPixmap large)
        : m_small(std::move(small)), m_large(std::move(large)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatioF();
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const QPixmap& image = size.width() > m_small.width() ? m_large : m_small;
        if (mode != QIcon::Disabled)
            return image;
        // A locked window greys its images as Qt's own icons do.
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, image, &option);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return m_small.size().boundedTo(size);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {m_small.size()}; }

    QIconEngine* clone() const override { return new ImageListEngine(*this); }

    QString key() const override { return QStringLiteral("pelorus.imagelist"); }

private:
    QPixmap m_small;
    QPixmap m_large;
};

}  // namespace

QIcon imageListPicture(const QPixmap& picture) {
    return QIcon(new ImageListEngine(
        picture.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::FastTransformation), picture));
}

}  // namespace pelorus::app
