// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QIcon>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "app/mainform.h"
#include "app/treewidgetlists.h"
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

/// The main window in Qt widgets: the task list with its four commands on the left, below
/// it the detail list of the opened process, on the right that process's window tree with
/// its five window commands. A view of MainForm, which decides; this class builds the
/// controls, places them, and passes their events on. Form_Load must run before the
/// window is first shown; closing it ends the program when it is the last window.
class frmMain final : public QWidget {
    Q_OBJECT
public:
    /// `platform` gives the processes and windows the form shows; it must outlive the form.
    explicit frmMain(platform::Platform& platform, QWidget* parent = nullptr);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    void Form_Load() { m_form.Form_Load(); }
    void eButton_Click(int Index) { m_form.eButton_Click(Index); }
    void ShowTaskDetails() { m_form.ShowTaskDetails(); }

    /// The form as the logic sees it: its lock, its visibility, one pass over the events.
    platform::Form& form() { return m_form; }

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
    const LayoutMeasures& measures() const { return m_form.measures(); }
    /// Where the last layout put the controls, in twips.
    const ControlGeometry& controlGeometry() const { return m_form.controlGeometry(); }
    const tasks::TaskTables& taskTables() const { return m_form.taskTables(); }
    /// The about box; null until About was first pressed.
    about::FORM_Info* aboutBox() const { return m_about.get(); }
    bool isOpening() const { return m_form.isOpening(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    /// A new desktop font fits the captions again; activation goes to the controller.
    void changeEvent(QEvent* event) override;

private:
    /// The window as MainForm's view.
    class View;

    void applyGeometry(const ControlGeometry& boxes);

    std::array<QLabel*, 3> m_eLabel{};
    TaskListView* m_eTaskList = nullptr;
    QTreeWidget* m_TINF = nullptr;
    QTreeWidget* m_TFRM = nullptr;
    std::array<QPushButton*, platform::ButtonCount> m_eButton{};
    std::vector<QIcon> m_eImgList;

    TreeWidgetReportList m_taskListRows;
    TreeWidgetReportList m_detailRows;
    TreeWidgetWindowTree m_windowNodes;
    std::unique_ptr<View> m_view;
    MainForm m_form;
    std::unique_ptr<about::FORM_Info> m_about;
};

}  // namespace pelorus::app
