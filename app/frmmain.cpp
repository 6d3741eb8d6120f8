// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/frmmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <QWindow>

#include "about/aboutbox.h"
#include "app/captionfit.h"
#include "app/controlsetup.h"
#include "app/imagelistpicture.h"
#include "app/listaccessibility.h"
#include "app/tasklistview.h"
#include "details/windowcommands.h"
#include "resources/pictures.h"
#include "resources/qttext.h"
#include "resources/strings.h"
#include "resources/twips.h"
#include "resources/version.h"
#include "tasks/kill.h"
#include "tasks/refresh.h"

namespace pelorus::app {

using platform::ButtonIndex;
using resources::loadQString;
using resources::StringId;

namespace {

/// The caption of each button of `eButton`, in index order.
constexpr std::array<StringId, platform::ButtonCount> ButtonCaptions{
    StringId::KillCaption,           StringId::RefreshCaption, StringId::AboutCaption,
    StringId::QuitCaption,           StringId::ShowCaption,    StringId::HideCaption,
    StringId::RefreshWindowsCaption, StringId::ShowAllCaption, StringId::HideAllCaption};

QIcon treeImage(resources::IconId id) {
    return imageListPicture(resources::loadIconPicture(id));
}

}  // namespace

/// The form's input lock and visibility as the commands use them. Qt drops the keyboard
/// focus of a window that is disabled or hidden and does not give it back; this keeps
/// the control that had it and returns the focus there.
class frmMain::FormLock final : public platform::Form {
public:
    explicit FormLock(frmMain& window) : m_window(window) {}

    void setEnabled(bool enabled) override {
        if (!enabled) {
            if (m_window.isEnabled())
                remember();
            m_window.QWidget::setEnabled(false);
            return;
        }
        const bool wasDisabled = !m_window.isEnabled();
        m_window.QWidget::setEnabled(true);
        // Unlocking gives the input back and nothing more: the window is not activated.
        if (wasDisabled)
            restore();
        // A close that waited for the lock to end is carried out once the caller (the
        // about box closing, say) has finished.
        if (wasDisabled && m_window.m_closeDeferred) {
            QMetaObject::invokeMethod(
                &m_window, [window = &m_window] { window->closeIfDeferred(); },
                Qt::QueuedConnection);
        }
    }

    void setVisible(bool visible) override {
        if (!visible) {
            if (m_window.isVisible()) {
                remember();
                m_place = m_window.geometry();
            }
            m_window.hide();
            return;
        }
        const bool wasHidden = !m_window.isVisible();
        if (wasHidden && m_place.isValid())
            keepPlace();
        m_window.show();
        // Hidden and shown again inside one command, the window is no longer the active
        // one; without this the keyboard would reach no window.
        m_window.raise();
        m_window.activateWindow();
        // Qt's widgets take a hidden window for an inactive one, while the window system
        // may still hold it as the focus window and so report no change when it comes
        // back: tell the widgets, or the keyboard reaches no control.
        if (QGuiApplication::focusWindow() == m_window.windowHandle() &&
            QApplication::activeWindow() != &m_window) {
            QApplication::setActiveWindow(&m_window);
        }
        if (wasHidden)
            restore();
    }

    void processEvents() override { QCoreApplication::processEvents(); }

private:
    /// A window manager places a window that is shown again anew, unless its position is
    /// marked as the program's own: QWindow::setGeometry marks it, but Qt sends a geometry
    /// to the server only when it changes, while the hidden window lies wherever the
    /// manager left it (its frame's corner or its own, by manager). The step of one pixel
    /// makes Qt send the remembered geometry before the window is mapped again.
    void keepPlace() {
        if (QWindow* window = m_window.windowHandle()) {
            window->setGeometry(m_place.translated(1, 0));
            window->setGeometry(m_place);
        }
    }

    void remember() {
        if (QWidget* focus = m_window.focusWidget())
            m_focus = focus;
    }

    void restore() {
        if (m_focus && m_focus->isEnabled() && m_focus->focusPolicy() != Qt::NoFocus) {
            m_focus->setFocus(Qt::OtherFocusReason);
        }
    }

    frmMain& m_window;
    QPointer<QWidget> m_focus;
    /// Where the window stood (client area, screen coordinates) when a command hid it.
    QRect m_place;
};

frmMain::frmMain(platform::Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_platform(platform),
      m_form(std::make_unique<FormLock>(*this)),
      m_tables(std::make_unique<tasks::TaskTables>()),
      m_eTaskList(new TaskListView(this)),
      m_TINF(new QTreeWidget(this)),
      m_TFRM(new QTreeWidget(this)),
      m_taskListRows(*m_eTaskList),
      m_detailRows(*m_TINF),
      m_windowNodes(*m_TFRM, m_eImgList),
      m_details(platform.processSource(), platform.windowSystem(), *m_form),
      m_design(mainDesign()),
      m_boxes(roundDesign(m_design)) {
    installListAccessibility();
    for (auto& label : m_eLabel) {
        label = new QLabel(this);
        setupHeaderLabel(*label);
    }
    for (size_t i = 0; i < m_eButton.size(); ++i) {
        m_eButton[i] = new QPushButton(this);
        pressOnReturn(*m_eButton[i]);
        connect(m_eButton[i], &QPushButton::clicked, this,
                [this, i] { eButton_Click(static_cast<int>(i)); });
    }
    // The disabled Refresh under the tree has no command; no code ever enables it.
    eButton(ButtonIndex::RefreshWindows)->setEnabled(false);
    eButton(ButtonIndex::RefreshWindows)->setFocusPolicy(Qt::NoFocus);

    setupReportList(*m_eTaskList, TaskListColumnWidths);
    setupReportList(*m_TINF, DetailColumnWidths);

    m_TFRM->setColumnCount(1);
    m_TFRM->setHeaderHidden(true);
    m_TFRM->setIconSize(QSize(16, 16));
    m_TFRM->setSortingEnabled(false);
    m_TFRM->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_TFRM->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(m_eTaskList, &TaskListView::dblClick, this, &frmMain::eTaskList_DblClick);
    connect(m_eTaskList, &TaskListView::keyUp, this, &frmMain::eTaskList_KeyUp);

    // The keyboard order: the task list and its buttons, the tree and its buttons from
    // the right, the detail list, and last the Hide all button.
    const std::array<QWidget*, 12> tabOrder{m_eTaskList,
                                            eButton(ButtonIndex::Kill),
                                            eButton(ButtonIndex::Refresh),
                                            eButton(ButtonIndex::About),
                                            eButton(ButtonIndex::Quit),
                                            m_TFRM,
                                            eButton(ButtonIndex::ShowAll),
                                            eButton(ButtonIndex::RefreshWindows),
                                            eButton(ButtonIndex::Hide),
                                            eButton(ButtonIndex::Show),
                                            m_TINF,
                                            eButton(ButtonIndex::HideAll)};
    for (size_t i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    applyGeometry();
    resize(DesignClientWidth / resources::TwipsPerPixel,
           DesignClientHeight / resources::TwipsPerPixel);
    // The first control in the keyboard order has the focus when the window first shows.
    m_eTaskList->setFocus(Qt::OtherFocusReason);
}

frmMain::~frmMain() = default;

platform::Form& frmMain::form() {
    return *m_form;
}

QTreeWidget* frmMain::eTaskList() const {
    return m_eTaskList;
}

void frmMain::Form_Load() {
    if (m_loaded)
        return;
    setWindowTitle(resources::qtText(resources::titleLine(resources::programVersion())));
    // This window's own icon; the about box shows none, so nothing application-wide.
    setWindowIcon(resources::loadIconResource(resources::IconId::MainWindow));
    m_eLabel[0]->setText(loadQString(StringId::TasksHeader));
    for (const auto index :
         {ButtonIndex::Kill, ButtonIndex::Refresh, ButtonIndex::About, ButtonIndex::Quit}) {
        eButton(index)->setText(loadQString(ButtonCaptions[static_cast<size_t>(index)]));
    }
    m_eTaskList->setHeaderLabels({loadQString(StringId::TaskColumn),
                                  loadQString(StringId::ProcIdColumn),
                                  loadQString(StringId::LocationColumn)});
    m_eLabel[1]->setText(loadQString(StringId::InformationHeader));
    m_TINF->setHeaderLabels({loadQString(StringId::PropertyColumn),
                             loadQString(StringId::FileOrTidColumn),
                             loadQString(StringId::LocationOrPriorityColumn)});
    m_eLabel[2]->setText(loadQString(StringId::WindowsHeader));
    for (const auto index : {ButtonIndex::Show, ButtonIndex::Hide, ButtonIndex::RefreshWindows,
                             ButtonIndex::ShowAll, ButtonIndex::HideAll}) {
        eButton(index)->setText(loadQString(ButtonCaptions[static_cast<size_t>(index)]));
    }
    nameForScreenReaders(m_eLabel, *m_eTaskList, *m_TINF, *m_TFRM);
    m_measures = measuresFromDesign(m_design);
    m_eImgList.push_back(treeImage(resources::IconId::TreeProcess));
    m_eImgList.push_back(treeImage(resources::IconId::TreeWindow));
    m_loaded = true;
    m_form->processEvents();
    RefreshTaskList();
}

void frmMain::eButton_Click(int Index) {
    if (Index < 0 || Index >= platform::ButtonCount)
        return;
    switch (const auto command = static_cast<ButtonIndex>(Index)) {
        case ButtonIndex::Kill:
            tasks::killSelectedTasks(*m_tables, m_taskListRows, m_platform.processControl());
            break;
        case ButtonIndex::Refresh:
            RefreshTaskList();
            break;
        case ButtonIndex::About:
            m_form->setEnabled(false);
            // A top-level of its own, not a child of this window: a child would be
            // disabled along with it and take no input.
            if (!m_about)
                m_about = std::make_unique<about::FORM_Info>(*m_form, this);
            m_about->setVisible(true);
            break;
        case ButtonIndex::Quit:
            close();
            break;
        case ButtonIndex::Show:
        case ButtonIndex::Hide:
        case ButtonIndex::ShowAll:
        case ButtonIndex::HideAll:
            details::runWindowCommand(command, m_windowNodes, m_platform.windowSystem(), *m_form,
                                      m_platform.processSource(), m_details.openedWindows());
            break;
        case ButtonIndex::RefreshWindows:
            // Disabled in the design, and no command behind it.
            break;
    }
}

void frmMain::RefreshTaskList() {
    tasks::RefreshTaskList(*m_tables, m_platform.processSource(), m_taskListRows, *m_form);
}

void frmMain::ShowTaskDetails() {
    // Events are handled in the middle of an opening; a second one waits for nothing and
    // is dropped.
    if (m_details.isRunning())
        return;
    m_details.ShowTaskDetails(*m_tables, m_taskListRows, m_detailRows, m_windowNodes);
    closeIfDeferred();
}

void frmMain::closeIfDeferred() {
    // Still opening, or locked by the about box: the close stays pending.
    if (!m_closeDeferred || m_details.isRunning() || !isEnabled())
        return;
    m_closeDeferred = false;
    close();
}

void frmMain::eTaskList_DblClick() {
    ShowTaskDetails();
}

void frmMain::eTaskList_KeyUp(int KeyCode, Qt::KeyboardModifiers) {
    // Enter opens whatever modifier keys are held.
    if (KeyCode == Qt::Key_Return || KeyCode == Qt::Key_Enter)
        ShowTaskDetails();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_loaded)
        fitCaptions(*this, m_eButton, m_eLabel);
}

void frmMain::Form_Resize() {
    // The measures exist only once the form is loaded.
    if (!m_loaded)
        return;
    layoutMainWindow(m_boxes, m_measures, width() * resources::TwipsPerPixel,
                     height() * resources::TwipsPerPixel);
    applyGeometry();
    fitCaptions(*this, m_eButton, m_eLabel);
}

void frmMain::applyGeometry() {
    const auto place = [](QWidget* control, const TwipRect& box) {
        const PixelRect pixels = toPixels(box);
        control->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
    };
    for (size_t i = 0; i < m_eLabel.size(); ++i)
        place(m_eLabel[i], m_boxes.eLabel[i]);
    place(m_eTaskList, m_boxes.eTaskList);
    place(m_TINF, m_boxes.TINF);
    place(m_TFRM, m_boxes.TFRM);
    for (size_t i = 0; i < m_eButton.size(); ++i)
        place(m_eButton[i], m_boxes.eButton[i]);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Locked while the about box is open: the window cannot be closed then.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    // An opening in progress reads the form's lists and tables; it finishes first.
    if (m_details.isRunning()) {
        m_closeDeferred = true;
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace pelorus::app
