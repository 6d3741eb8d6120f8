// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "about/infoform.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QRectF>
#include <QStringList>
#include <algorithm>

#include "resources/pictures.h"
#include "resources/qttext.h"
#include "resources/strings.h"
#include "resources/twips.h"
#include "resources/version.h"

namespace pelorus::about {

namespace {

/// A control's design box in pixels; each edge is converted on its own, so that boxes
/// that touch in twips still touch in pixels.
QRect designRect(int left, int top, int width, int height) {
    const resources::PixelRect box = resources::toPixels({left, top, width, height});
    return {box.x, box.y, box.width, box.height};
}

enum class Weight { Regular, Bold };

CaptionLabel* makeLabel(QWidget* form, const char* name, const QRect& box, Weight weight,
                        Qt::Alignment horizontal) {
    QFont font = form->font();
    if (weight == Weight::Bold)
        font.setWeight(QFont::Bold);
    auto* label = new CaptionLabel(form, font);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(box);
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}

QLabel* makePicture(QWidget* form, const char* name, int left, int top) {
    auto* picture = new QLabel(form);
    picture->setObjectName(QString::fromLatin1(name));
    picture->move(resources::twipsToPixels(left), resources::twipsToPixels(top));
    picture->setFocusPolicy(Qt::NoFocus);
    return picture;
}

/// A picture holder takes the size of its picture; nothing is stretched.
void setPicture(QLabel* holder, const QPixmap& picture) {
    holder->setPixmap(picture);
    holder->resize(picture.deviceIndependentSize().toSize());
}

}  // namespace

CaptionLabel::CaptionLabel(QWidget* parent, const QFont& designFont)
    : QLabel(parent), m_designFont(designFont) {
    setFont(m_designFont);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
}

void CaptionLabel::setCaption(const QString& caption) {
    m_caption = caption;
    // Qt draws a lone CR as a blank, so every line end becomes an LF in the shown text.
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setText(shown);
    fitFont();
}

void CaptionLabel::fitFont() {
    const QStringList lines = text().split(QLatin1Char('\n'));
    const QRectF room = contentsRect();
    const auto fits = [&lines, &room](const QFont& font) {
        const QFontMetricsF metrics(font);
        // The lines stand one line spacing apart; the last one needs only its own height.
        const double height =
            static_cast<double>(lines.size() - 1) * metrics.lineSpacing() + metrics.height();
        if (height > room.height())
            return false;
        for (const QString& line : lines) {
            if (metrics.horizontalAdvance(line) > room.width())
                return false;
        }
        return true;
    };
    // Lines that do not fit would be cut off at the label's edges: step the size down.
    QFont font = m_designFont;
    // A font given in pixels has no point size to step down; it stays as designed.
    while (font.pointSizeF() > kSmallestPointSize && !fits(font)) {
        font.setPointSizeF(std::max(kSmallestPointSize, font.pointSizeF() - 0.25));
    }
    setFont(font);
}

// A dialog with a title bar and a close box only. Being a dialog, transient for the main
// window, keeps it out of the task bar.
InfoForm::InfoForm(platform::Form& frmMain)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      m_frmMain(frmMain) {
    setObjectName(QStringLiteral("FORM_Info"));
    // No icon of its own; the program sets no application icon to fall back on.
    setWindowIcon(QIcon());
    setFixedSize(designRect(0, 0, 5010, 2400).size());
    setSizeGripEnabled(false);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 255, 255));
    colours.setColor(QPalette::WindowText, QColor(0, 0, 0));
    setPalette(colours);
    setAutoFillBackground(true);

    // Created in tab order: the labels, then the button, the only control that takes focus.
    m_ePic0 = makePicture(this, "ePic(0)", 240, 210);
    m_lLabel0 =
        makeLabel(this, "lLabel(0)", designRect(840, 240, 4095, 225), Weight::Bold, Qt::AlignLeft);
    m_lLabel1 = makeLabel(this, "lLabel(1)", designRect(840, 480, 4095, 255), Weight::Regular,
                          Qt::AlignLeft);
    m_lLabel2 = makeLabel(this, "lLabel(2)", designRect(120, 840, 4815, 255), Weight::Regular,
                          Qt::AlignHCenter);
    m_lLabel4 = makeLabel(this, "lLabel(4)", designRect(120, 1200, 4815, 555), Weight::Bold,
                          Qt::AlignHCenter);
    // The strip starts at the left edge and takes its own size, not its design box.
    m_ePic1 = makePicture(this, "ePic(1)", 0, 1740);

    m_eButton = new QPushButton(this);
    m_eButton->setObjectName(QStringLiteral("eButton"));
    m_eButton->setGeometry(designRect(3720, 1920, 1215, 375));
    m_eButton->setDefault(true);
    m_eButton->setFocusPolicy(Qt::StrongFocus);
    m_eButton->setFocus();
    connect(m_eButton, &QPushButton::clicked, this, [this] { eButton_Click(); });
}

void InfoForm::Form_Load() {
    using resources::LoadString;
    using resources::qtText;
    using resources::replaceAll;
    using resources::StringId;
    setWindowTitle(qtText(LoadString(StringId::InfoTitle)));
    m_lLabel0->setCaption(qtText(resources::titleLine(resources::programVersion())));
    m_lLabel1->setCaption(qtText(LoadString(StringId::RightsNotice)));
    m_lLabel2->setCaption(qtText(replaceAll(LoadString(StringId::ReadMeNote), "|", "\r")));
    // The licence note marks the start of its second line with "|". Left as it is, the
    // label would show the "|" inside one long line; a single CR, as for the line above,
    // makes it the two centred lines the label is sized for.
    m_lLabel4->setCaption(qtText(replaceAll(LoadString(StringId::LicenceNote), "|", "\r")));
    m_eButton->setText(qtText(LoadString(StringId::CloseCaption)));
    // On a screen of device pixel ratio 2, the pictures drawn at twice the resolution.
    setPicture(m_ePic0,
               resources::loadIconPicture(resources::IconId::AboutBox, devicePixelRatioF()));
    setPicture(m_ePic1,
               resources::loadBitmapResource(resources::BitmapId::AboutStrip, devicePixelRatioF()));
}

CaptionLabel* InfoForm::lLabel(int index) const {
    switch (index) {
        case 0:
            return m_lLabel0;
        case 1:
            return m_lLabel1;
        case 2:
            return m_lLabel2;
        case 4:
            return m_lLabel4;
        default:
            return nullptr;
    }
}

QLabel* InfoForm::ePic(int index) const {
    switch (index) {
        case 0:
            return m_ePic0;
        case 1:
            return m_ePic1;
        default:
            return nullptr;
    }
}

void InfoForm::reject() {
    m_eButton->click();
}

void InfoForm::eButton_Click() {
    close();
}

void InfoForm::Form_Unload(std::int16_t& cancel) {
    static_cast<void>(cancel);
    m_frmMain.setEnabled(true);
}

void InfoForm::closeEvent(QCloseEvent* event) {
    // A close request that reaches a window already unloaded (the manager's close after
    // the button's, say) unloads nothing twice.
    if (m_unloaded) {
        event->accept();
        return;
    }
    std::int16_t cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0) {
        event->ignore();
        return;
    }
    m_unloaded = true;
    event->accept();
    emit unloaded();
}

}  // namespace pelorus::about
