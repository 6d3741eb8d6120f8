// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/mainform.h"

#include "details/windowcommands.h"
#include "resources/strings.h"
#include "resources/version.h"
#include "tasks/kill.h"
#include "tasks/refresh.h"

namespace pelorus::app {

using platform::ButtonIndex;
using resources::LoadString;
using resources::StringId;

MainTexts mainTexts() {
    return MainTexts{
        resources::titleLine(resources::programVersion()),
        {LoadString(StringId::TasksHeader), LoadString(StringId::InformationHeader),
         LoadString(StringId::WindowsHeader)},
        {LoadString(StringId::KillCaption), LoadString(StringId::RefreshCaption),
         LoadString(StringId::AboutCaption), LoadString(StringId::QuitCaption),
         LoadString(StringId::ShowCaption), LoadString(StringId::HideCaption),
         LoadString(StringId::RefreshWindowsCaption), LoadString(StringId::ShowAllCaption),
         LoadString(StringId::HideAllCaption)},
        {LoadString(StringId::TaskColumn), LoadString(StringId::ProcIdColumn),
         LoadString(StringId::LocationColumn)},
        {LoadString(StringId::PropertyColumn), LoadString(StringId::FileOrTidColumn),
         LoadString(StringId::LocationOrPriorityColumn)},
    };
}

MainForm::MainForm(platform::Platform& platform, MainFormView& view)
    : m_platform(platform),
      m_view(view),
      m_tables(std::make_unique<tasks::TaskTables>()),
      m_details(platform.processSource(), platform.windowSystem(), *this),
      m_boxes(roundDesign(mainDesign())) {}

MainForm::~MainForm() = default;

void MainForm::Form_Load() {
    if (m_loaded)
        return;
    m_view.loadForm(mainTexts());
    m_measures = measuresFromDesign(mainDesign());
    // Set before the pass over the events: a resize waiting there lays the window out.
    m_loaded = true;
    processEvents();
    RefreshTaskList();
}

void MainForm::Form_Resize() {
    // The measures exist only once the form is loaded.
    if (!m_loaded)
        return;
    const TwipSize size = m_view.clientSize();
    layoutMainWindow(m_boxes, m_measures, size.width, size.height);
    m_view.placeControls(m_boxes);
}

void MainForm::eButton_Click(int Index) {
    if (Index < 0 || Index >= platform::ButtonCount)
        return;
    switch (const auto command = static_cast<ButtonIndex>(Index)) {
        case ButtonIndex::Kill:
            tasks::killSelectedTasks(*m_tables, m_view.taskRows(), m_platform.processControl());
            break;
        case ButtonIndex::Refresh:
            RefreshTaskList();
            break;
        case ButtonIndex::About:
            setEnabled(false);
            m_view.showAboutBox(*this);
            break;
        case ButtonIndex::Quit:
            m_view.close();
            break;
        case ButtonIndex::Show:
        case ButtonIndex::Hide:
        case ButtonIndex::ShowAll:
        case ButtonIndex::HideAll:
            details::runWindowCommand(command, m_view.windowNodes(), m_platform.windowSystem(),
                                      *this, m_platform.processSource(), m_details.openedWindows());
            break;
        case ButtonIndex::RefreshWindows:
            // Disabled in the design, and no command behind it.
            break;
    }
}

void MainForm::eTaskList_DblClick() {
    ShowTaskDetails();
}

void MainForm::eTaskList_KeyUp(int KeyCode, int) {
    if (KeyCode == kEnterKey)
        ShowTaskDetails();
}

void MainForm::ShowTaskDetails() {
    // A second opening while one runs returns at once.
    m_details.ShowTaskDetails(*m_tables, m_view.taskRows(), m_view.detailRows(),
                              m_view.windowNodes());
    closeIfDeferred();
}

void MainForm::RefreshTaskList() {
    tasks::RefreshTaskList(*m_tables, m_platform.processSource(), m_view.taskRows(), *this);
}

bool MainForm::closeRequested() {
    // A close that was posted has come back, or another request takes its place.
    m_closePosted = false;
    // Locked while the about box is open: the window cannot be closed then.
    if (!m_view.isEnabled())
        return false;
    // An opening in progress reads the lists and tables; it finishes first.
    if (m_details.isRunning()) {
        m_closeDeferred = true;
        return false;
    }
    m_closeDeferred = false;
    return true;
}

void MainForm::closeIfDeferred() {
    // Still opening, or locked by the about box: the close stays pending, since the user
    // asked for it and never took it back. It is carried out after the event that ended the wait,
    // whose handler may still use the controls.
    if (!m_closeDeferred || m_closePosted || m_details.isRunning() || !m_view.isEnabled())
        return;
    m_closePosted = true;
    m_view.closeLater();
}

bool MainForm::windowActivated() {
    if (!m_view.isEnabled())
        return false;
    giveKeyboardBack();
    return true;
}

void MainForm::windowDeactivated() {
    // A locked or hidden window noted its control when it was locked or hidden; the
    // toolkit may have taken the keyboard from the control since.
    if (m_view.isEnabled() && m_view.isVisible())
        rememberKeyboard();
}

void MainForm::setEnabled(bool enabled) {
    if (!enabled) {
        if (m_view.isEnabled())
            rememberKeyboard();
        m_view.setEnabled(false);
        return;
    }
    const bool wasLocked = !m_view.isEnabled();
    m_view.setEnabled(true);
    if (!wasLocked)
        return;
    // Unlocking gives the input back and nothing more: the window is not activated.
    giveKeyboardBack();
    closeIfDeferred();
}

void MainForm::setVisible(bool visible) {
    if (!visible) {
        if (m_view.isVisible())
            rememberKeyboard();
        m_view.setVisible(false);
        return;
    }
    const bool wasHidden = !m_view.isVisible();
    m_view.setVisible(true);
    if (wasHidden)
        giveKeyboardBack();
}

void MainForm::processEvents() {
    m_view.processEvents();
}

void MainForm::rememberKeyboard() {
    if (const std::optional<ControlId> focused = m_view.focusedControl())
        m_keyboard = *focused;
}

void MainForm::giveKeyboardBack() {
    m_view.giveKeyboard(m_keyboard);
}

}  // namespace pelorus::app
