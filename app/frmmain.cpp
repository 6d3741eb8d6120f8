// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/frmmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
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
#include "resources/pictures.h"
#include "resources/qttext.h"
#include "resources/twips.h"

namespace pelorus::app {

using platform::ButtonIndex;
using resources::qtText;

namespace {

QIcon treeImage(resources::IconId id) {
    return imageListPicture(resources::loadIconPicture(id));
}

/// The key code eTaskList_KeyUp takes: both Enter keys as Enter, other keys as Qt names them.
int keyCode(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter ? kEnterKey : key;
}

int shiftState(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? kShiftBit : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? kCtrlBit : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? kAltBit : 0);
}

}  // namespace

class frmMain::View final : public MainFormView {
public:
    explicit View(frmMain& window) : m_window(window) {}

    platform::ReportList& taskRows() override { return m_window.m_taskListRows; }
    platform::ReportList& detailRows() override { return m_window.m_detailRows; }
    platform::WindowTree& windowNodes() override { return m_window.m_windowNodes; }

    void loadForm(const MainTexts& texts) override {
        m_window.setWindowTitle(qtText(texts.title));
        // This window's own icon; the about box shows none, so nothing application-wide.
        m_window.setWindowIcon(resources::loadIconResource(resources::IconId::MainWindow));
        for (size_t i = 0; i < m_window.m_eLabel.size(); ++i)
            m_window.m_eLabel[i]->setText(qtText(texts.eLabel[i]));
        for (size_t i = 0; i < m_window.m_eButton.size(); ++i)
            m_window.m_eButton[i]->setText(qtText(texts.eButton[i]));
        const auto headers = [](const std::array<std::string, 3>& columns) {
            return QStringList{qtText(columns[0]), qtText(columns[1]), qtText(columns[2])};
        };
        m_window.m_eTaskList->setHeaderLabels(headers(texts.taskColumns));
        m_window.m_TINF->setHeaderLabels(headers(texts.detailColumns));
        nameForScreenReaders(m_window.m_eLabel, *m_window.m_eTaskList, *m_window.m_TINF,
                             *m_window.m_TFRM);
        m_window.m_eImgList.push_back(treeImage(resources::IconId::TreeProcess));
        m_window.m_eImgList.push_back(treeImage(resources::IconId::TreeWindow));
    }

    TwipSize clientSize() const override {
        return {m_window.width() * resources::TwipsPerPixel,
                m_window.height() * resources::TwipsPerPixel};
    }

    void placeControls(const ControlGeometry& boxes) override {
        m_window.applyGeometry(boxes);
        fitCaptions(m_window, m_window.m_eButton, m_window.m_eLabel);
    }

    bool isEnabled() const override { return m_window.isEnabled(); }
    void setEnabled(bool enabled) override { m_window.setEnabled(enabled); }
    bool isVisible() const override { return m_window.isVisible(); }

    void setVisible(bool visible) override {
        if (!visible) {
            if (m_window.isVisible())
                m_place = m_window.geometry();
            m_window.hide();
            return;
        }
        if (!m_window.isVisible() && m_place.isValid())
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
    }

    void processEvents() override { QCoreApplication::processEvents(); }

    std::optional<ControlId> focusedControl() const override {
        // Qt keeps the focus widget of an inactive window; a disabled or hidden one may
        // have lost it.
        for (QWidget* widget = m_window.focusWidget(); widget != nullptr && widget != &m_window;
             widget = widget->parentWidget()) {
            for (const ControlId id : keyboardControls()) {
                if (control(id) == widget)
                    return id;
            }
        }
        return std::nullopt;
    }

    void giveKeyboard(ControlId id) override {
        // On a window that is not active this only marks the control for its activation.
        QWidget* widget = control(id);
        if (widget != nullptr && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus)
            widget->setFocus(Qt::OtherFocusReason);
    }

    void showAboutBox(platform::Form& frmMain) override {
        // A top-level of its own, not a child of this window: a child would be disabled
        // along with it and take no input.
        if (!m_window.m_about)
            m_window.m_about = std::make_unique<about::FORM_Info>(frmMain, &m_window);
        m_window.m_about->setVisible(true);
    }

    void close() override { m_window.close(); }

    void closeLater() override {
        QMetaObject::invokeMethod(
            &m_window, [window = &m_window] { window->close(); }, Qt::QueuedConnection);
    }

private:
    QWidget* control(ControlId id) const {
        switch (id.kind) {
            case ControlId::eTaskList:
                return m_window.m_eTaskList;
            case ControlId::TINF:
                return m_window.m_TINF;
            case ControlId::TFRM:
                return m_window.m_TFRM;
            case ControlId::eButton:
                return id.index >= 0 && id.index < platform::ButtonCount
                           ? m_window.eButton(id.index)
                           : nullptr;
        }
        return nullptr;
    }

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

    frmMain& m_window;
    /// Where the window stood (client area, screen coordinates) when a command hid it.
    QRect m_place;
};

frmMain::frmMain(platform::Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_eTaskList(new TaskListView(this)),
      m_TINF(new QTreeWidget(this)),
      m_TFRM(new QTreeWidget(this)),
      m_taskListRows(*m_eTaskList),
      m_detailRows(*m_TINF),
      m_windowNodes(*m_TFRM, m_eImgList),
      m_view(std::make_unique<View>(*this)),
      m_form(platform, *m_view) {
    installListAccessibility();
    for (auto& label : m_eLabel) {
        label = new QLabel(this);
        setupHeaderLabel(*label);
    }
    for (size_t i = 0; i < m_eButton.size(); ++i) {
        m_eButton[i] = new QPushButton(this);
        pressOnReturn(*m_eButton[i]);
        connect(m_eButton[i], &QPushButton::clicked, this,
                [this, i] { m_form.eButton_Click(static_cast<int>(i)); });
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

    connect(m_eTaskList, &TaskListView::dblClick, this, [this] { m_form.eTaskList_DblClick(); });
    connect(m_eTaskList, &TaskListView::keyUp, this,
            [this](int key, Qt::KeyboardModifiers modifiers) {
                m_form.eTaskList_KeyUp(keyCode(key), shiftState(modifiers));
            });

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

    applyGeometry(m_form.controlGeometry());
    resize(DesignClientWidth / resources::TwipsPerPixel,
           DesignClientHeight / resources::TwipsPerPixel);
    m_view->giveKeyboard(m_form.keyboardControl());
}

frmMain::~frmMain() = default;

QTreeWidget* frmMain::eTaskList() const {
    return m_eTaskList;
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_form.Form_Resize();
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The window's activation is not passed on: Qt itself gives an activated window's
    // keyboard back to the control that had it, as MainForm would, and may handle a click
    // that activated the window before the activation, which MainForm would then undo.
    if (event->type() == QEvent::FontChange && m_form.isLoaded())
        fitCaptions(*this, m_eButton, m_eLabel);
}

void frmMain::applyGeometry(const ControlGeometry& boxes) {
    const auto place = [](QWidget* control, const TwipRect& box) {
        const PixelRect pixels = toPixels(box);
        control->setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
    };
    for (size_t i = 0; i < m_eLabel.size(); ++i)
        place(m_eLabel[i], boxes.eLabel[i]);
    place(m_eTaskList, boxes.eTaskList);
    place(m_TINF, boxes.TINF);
    place(m_TFRM, boxes.TFRM);
    for (size_t i = 0; i < m_eButton.size(); ++i)
        place(m_eButton[i], boxes.eButton[i]);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_form.closeRequested())
        event->accept();
    else
        event->ignore();
}

}  // namespace pelorus::app
