// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QIcon>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "app/mainlayout.h"
#include "app/treewidgetlists.h"
#include "details/taskdetails.h"
#include "platform/platform.h"
#include "platform/toolkit/toolkit.h"
#include "tasks/tasktables.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace pelorus::about {
class FORM_Info;
}

namespace pelorus::app {

class TaskListView;

/// The main window: the task list with its four commands on the left, below it the
/// detail list of the opened process, on the right that process's window tree with its
/// five window commands.
///
/// Lifecycle: the constructor builds the window and its controls in their design state;
/// Form_Load fills in the texts, the icons and the task list and must run before the
/// window is first shown. The window is laid out afresh on every change of its client
/// size. Closing it ends the program when it is the last window; while the about box is
/// open it refuses to close.
///
/// Re-entry: opening a process handles the waiting events after every thread it reads,
/// so any command can arrive in the middle of it. A second opening is ignored; Refresh,
/// Kill, the window commands and About run at once (the opening works from a copy of
/// its row and rebuilds the tree only at its end). A close or Quit is not carried out
/// while the opening still writes the lists: it is deferred and carried out when the
/// opening ends. If About was opened meanwhile, the window is locked at that point; the
/// close then stays pending and is carried out when the about box gives the input back,
/// since the user asked for it and never took it back.
class frmMain final : public QWidget {
    Q_OBJECT
public:
    /// `platform` gives the processes and windows the form shows; it must outlive the form.
    explicit frmMain(platform::Platform& platform, QWidget* parent = nullptr);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    /// Title, icon, captions, column headers, the layout measures, the two images, one
    /// pass over the waiting events, then the task list. Once, before the first show.
    void Form_Load();

    /// The command of button `Index`: 0 Kill, 1 Refresh, 2 About, 3 Quit, 4 Show, 5 Hide,
    /// 7 Show all, 8 Hide all. 6 and any other index do nothing.
    void eButton_Click(int Index);

    /// Opens the task list's selected row: its details and its window tree. Ignored while
    /// an opening runs.
    void ShowTaskDetails();

    /// The form as the logic sees it: its input lock (which keeps the keyboard focus),
    /// its visibility for the window commands, and one pass over the waiting events.
    platform::Form& form();

    QLabel* eLabel(int index) const { return m_eLabel.at(static_cast<size_t>(index)); }
    QPushButton* eButton(int index) const { return m_eButton.at(static_cast<size_t>(index)); }
    QPushButton* eButton(platform::ButtonIndex index) const {
        return eButton(static_cast<int>(index));
    }
    QTreeWidget* eTaskList() const;
    QTreeWidget* TINF() const { return m_TINF; }
    QTreeWidget* TFRM() const { return m_TFRM; }
    /// The image list of the window tree, image n at position n - 1.
    const std::vector<QIcon>& eImgList() const { return m_eImgList; }
    /// The layout measures recorded by Form_Load.
    const LayoutMeasures& measures() const { return m_measures; }
    /// Where the last layout put the controls, in twips.
    const ControlGeometry& controlGeometry() const { return m_boxes; }
    const tasks::TaskTables& taskTables() const { return *m_tables; }
    /// The about box; null until About was first pressed.
    about::FORM_Info* aboutBox() const { return m_about.get(); }
    /// Whether an opening of a process is running (handling events in its thread walk).
    bool isOpening() const { return m_details.isRunning(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    /// A new desktop font: the captions are fitted to their controls again.
    void changeEvent(QEvent* event) override;

private:
    class FormLock;

    void Form_Resize();
    void RefreshTaskList();
    void eTaskList_DblClick();
    void eTaskList_KeyUp(int KeyCode, Qt::KeyboardModifiers Shift);
    void applyGeometry();
    /// Carries out a deferred close once no opening runs and the window is not locked.
    void closeIfDeferred();

    platform::Platform& m_platform;
    std::unique_ptr<FormLock> m_form;
    std::unique_ptr<tasks::TaskTables> m_tables;

    std::array<QLabel*, 3> m_eLabel{};
    TaskListView* m_eTaskList = nullptr;
    QTreeWidget* m_TINF = nullptr;
    QTreeWidget* m_TFRM = nullptr;
    std::array<QPushButton*, platform::ButtonCount> m_eButton{};
    std::vector<QIcon> m_eImgList;

    TreeWidgetReportList m_taskListRows;
    TreeWidgetReportList m_detailRows;
    TreeWidgetWindowTree m_windowNodes;
    details::TaskDetails m_details;
    std::unique_ptr<about::FORM_Info> m_about;

    DesignGeometry m_design;
    ControlGeometry m_boxes;
    LayoutMeasures m_measures;
    bool m_loaded = false;
    bool m_closeDeferred = false;
};

}  // namespace pelorus::app
