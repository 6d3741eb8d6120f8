// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The suite both front-ends share, run against the Qt frmMain on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "tests/forms/formtesting.h"
#include "tests/forms/frontendsuite.h"

namespace pelorus::testing {
namespace {

class QtFrontEnd {
public:
    explicit QtFrontEnd(FakePlatform& platform) : m_form(showLoadedForm(platform)) {}

    void click(platform::ButtonIndex index) {
        QTest::mouseClick(m_form->eButton(index), Qt::LeftButton);
    }
    void selectTaskRow(int row) {
        m_form->eTaskList()->setCurrentItem(m_form->eTaskList()->topLevelItem(row - 1));
    }
    void releaseEnterInTaskList() { pressAndRelease(m_form->eTaskList(), Qt::Key_Return); }
    void requestClose() { m_form->close(); }
    void closeAboutBox() {
        QTest::mouseClick(aboutButton(*m_form), Qt::LeftButton);
        waitUntil([&] { return aboutClosed(*m_form); });
    }
    bool aboutOpen() const { return !aboutClosed(*m_form); }
    bool locked() const { return !m_form->isEnabled(); }
    bool shown() const { return m_form->isVisible(); }
    bool waitClosed() const {
        return waitUntil([&] { return !m_form->isVisible(); });
    }
    bool activate() {
        m_form->activateWindow();
        return QTest::qWaitForWindowActive(m_form.get());
    }
    std::optional<app::ControlId> keyboard() const {
        const QWidget* focus = QApplication::focusWidget();
        for (const app::ControlId control : app::keyboardControls()) {
            if (widget(control) == focus)
                return control;
        }
        return std::nullopt;
    }
    int detailRows() const { return m_form->TINF()->topLevelItemCount(); }

private:
    const QWidget* widget(app::ControlId control) const {
        switch (control.kind) {
            case app::ControlId::eTaskList:
                return m_form->eTaskList();
            case app::ControlId::TINF:
                return m_form->TINF();
            case app::ControlId::TFRM:
                return m_form->TFRM();
            case app::ControlId::eButton:
                return m_form->eButton(control.index);
        }
        return nullptr;
    }

    std::unique_ptr<app::frmMain> m_form;
};

INSTANTIATE_TYPED_TEST_SUITE_P(FrmMain, FrontEndSuite, QtFrontEnd);

}  // namespace
}  // namespace pelorus::testing
