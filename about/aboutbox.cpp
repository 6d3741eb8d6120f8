// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "about/aboutbox.h"

#include <QWindow>

#include "about/infoform.h"

namespace pelorus::about {

FORM_Info::FORM_Info(platform::Form& frmMain, QWidget* owner)
    : m_frmMain(frmMain), m_owner(owner) {}

FORM_Info::~FORM_Info() {
    // The box goes with the instance, without its unload step: the main form it would
    // give the input back to is going too.
    delete m_window.data();
}

void FORM_Info::setVisible(bool visible) {
    if (!visible) {
        if (m_window)
            m_window->close();
        return;
    }
    if (!m_window) {
        // A window of its own, never a Qt child of the main window: a child would be
        // disabled along with it and take no input.
        auto* form = new InfoForm(m_frmMain);
        form->setAttribute(Qt::WA_DeleteOnClose);
        m_window = form;
        // The window is deleted later; from the moment it is unloaded it no longer counts.
        QObject::connect(form, &InfoForm::unloaded, form, [this] { m_window = nullptr; });
        form->Form_Load();
        form->winId();  // the native window, so that it can be made transient
        if (m_owner) {
            if (QWindow* ownerWindow = m_owner->window()->windowHandle()) {
                form->windowHandle()->setTransientParent(ownerWindow);
            }
        }
    }
    m_window->show();
}

}  // namespace pelorus::about
