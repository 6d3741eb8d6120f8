// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <cstdint>

#include "platform/toolkit/toolkit.h"

class QCloseEvent;

namespace pelorus::about {

/// A label whose caption may hold carriage returns, kept as they are; it draws each line
/// end (a CR, an LF or a CR LF) as a line break. It is drawn in its design font or, where a
/// line would not fit across or the lines not fit down, in the largest smaller size of that
/// font (down to `kSmallestPointSize`) in which every line fits across and all fit down.
class CaptionLabel final : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)

public:
    static constexpr double kSmallestPointSize = 6.0;

    /// A label of `parent` whose captions are drawn in `designFont`.
    CaptionLabel(QWidget* parent, const QFont& designFont);

    QString caption() const { return m_caption; }
    /// Sets the caption, then the font it is drawn in; call it once the label has its size.
    void setCaption(const QString& caption);

private:
    void fitFont();

    QFont m_designFont;
    QString m_caption;
};

/// The about box: the labels `lLabel` 0, 1, 2 and 4, the pictures `ePic` 0 and 1 and the
/// button `eButton`, placed at their design geometry when built and filled by `Form_Load`.
/// The button is the default and the cancel button (a click, Enter, Esc, Alt+C or Space on
/// it unloads the box). Every route that closes the window (the button, the close box,
/// Alt+F4, close()) runs `Form_Unload` once, which gives the main form its input back, and
/// then the window goes; `unloaded` tells the window's owner that it has.
class InfoForm final : public QDialog {
    Q_OBJECT

public:
    /// Builds the window, hidden and empty. `frmMain` must outlive it.
    explicit InfoForm(platform::Form& frmMain);

    /// Sets the title, the texts, the button's caption and the pictures.
    void Form_Load();

    /// `lLabel`(index) for index 0, 1, 2 or 4; null for any other index.
    CaptionLabel* lLabel(int index) const;
    /// `ePic`(index) for index 0 or 1; null for any other index.
    QLabel* ePic(int index) const;
    QPushButton* eButton() const { return m_eButton; }

    /// Esc presses the cancel button, which unloads the box.
    void reject() override;

signals:
    /// The box has been unloaded: `Form_Unload` has run and the window is closing.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void eButton_Click();
    void Form_Unload(std::int16_t& cancel);

    platform::Form& m_frmMain;
    CaptionLabel* m_lLabel0 = nullptr;
    CaptionLabel* m_lLabel1 = nullptr;
    CaptionLabel* m_lLabel2 = nullptr;
    CaptionLabel* m_lLabel4 = nullptr;
    QLabel* m_ePic0 = nullptr;
    QLabel* m_ePic1 = nullptr;
    QPushButton* m_eButton = nullptr;
    bool m_unloaded = false;
};

}  // namespace pelorus::about
