#include "gui/main_dialog.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "app/version.h"
#include "gui/about_dialog.h"
#include "gui/dialog_builder.h"
#include "gui/dialog_template.h"

namespace lintor {
namespace {

int fieldIdOf(StatusField field) {
    switch (field) {
    case StatusField::Socket:
        return control_id::SOCKET_STATUS;
    case StatusField::Bcu:
        return control_id::BCU_STATUS;
    }
    return control_id::SOCKET_STATUS;
}

int fieldIdOf(CounterField field) {
    switch (field) {
    case CounterField::AckSent:
        return control_id::ACKS_SENT;
    case CounterField::AckReceived:
        return control_id::ACKS_RECEIVED;
    case CounterField::PortWrites:
        return control_id::DATA_MESSAGES;
    case CounterField::Duplicates:
        return control_id::DUPLICATES;
    }
    return control_id::ACKS_SENT;
}

}  // namespace

MainDialog::MainDialog(QWidget* parent) : QDialog(parent), proxyTable_(this) {
    // A window of its own with a minimise box; the template's caption
    // gives way to the title with the version.
    setUpDialogWindow(*this, mainDialogTemplate, Qt::Window | Qt::WindowMinimizeButtonHint);
    setWindowTitle(toQString(VERSION_TITLE));
    controls_ = buildControls(mainDialogTemplate, this);
    icon_.addPixmap(QPixmap(toQString(ICON_32)));
    icon_.addPixmap(QPixmap(toQString(ICON_16)));
    setWindowIcon(icon_);
    auto* exit = static_cast<QPushButton*>(control(control_id::OK));
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    exit->setFocus();
    connect(static_cast<QPushButton*>(control(control_id::PROXY)), &QPushButton::clicked, this,
            [this] { toggleProxyTable(); });
    static_cast<ClickableLabel*>(control(control_id::EXPAND))->setOnClick([this] { expand(); });
    static_cast<ClickableLabel*>(control(control_id::COLLAPSE))->setOnClick([this] { collapse(); });
}

// Closing the main window closes the table window with it.
MainDialog::~MainDialog() { proxyTable_.destroyWindow(); }

QWidget* MainDialog::control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QString MainDialog::fieldText(int id) const {
    const auto* edit = dynamic_cast<const QLineEdit*>(control(id));
    return edit ? edit->text() : QString();
}

void MainDialog::setStatusText(StatusField field, const std::string& text) {
    static_cast<QLineEdit*>(control(fieldIdOf(field)))->setText(QString::fromStdString(text));
}

void MainDialog::setCounter(CounterField field, int32_t value) {
    static_cast<QLineEdit*>(control(fieldIdOf(field)))->setText(QString::number(value));
}

void MainDialog::showMessage(const std::string& text) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(text));
}

void MainDialog::showBcuAddress(const std::string& address) {
    control(control_id::BCU_STATUS)->setToolTip(QString::fromStdString("BCU " + address));
}

void MainDialog::setGroupValueTable(const GroupValueTable* table) {
    proxyTable_.setTable(table);
    if (!table) proxyTable_.destroyWindow();
}

void MainDialog::expand() {
    control(control_id::EXPAND)->hide();
    control(control_id::COLLAPSE)->show();
    resizeBottomEdge(COLLAPSE_PIXELS);
}

void MainDialog::collapse() {
    control(control_id::EXPAND)->show();
    control(control_id::COLLAPSE)->hide();
    resizeBottomEdge(-COLLAPSE_PIXELS);
}

// Only the bottom edge moves: the top-left corner and the width stay.
void MainDialog::resizeBottomEdge(int pixels) {
    const QSize size(width(), height() + pixels);
    setFixedSize(size);
}

void MainDialog::systemCommand(int id) {
    if ((id & 0xFFF0) != ABOUT_COMMAND) return;
    AboutDialog about(this);
    about.exec();
}

void MainDialog::toggleProxyTable() {
    if (proxyTable_.isShown()) {
        proxyTable_.destroyWindow();
    } else if (!proxyTable_.hasWindow()) {
        proxyTable_.show();
    }
}

void MainDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The window appears at its template size and collapses once, at the end
    // of its first paint in the normal state.
    if (collapsePending_ && !isMinimized()) {
        collapsePending_ = false;
        collapse();
    }
}

// Window managers here own the system menu; the About command lives at the
// top of the window's context menu instead.
void MainDialog::contextMenuEvent(QContextMenuEvent* event) { createContextMenu()->exec(event->globalPos()); }

std::unique_ptr<QMenu> MainDialog::createContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    QAction* about = menu->addAction(toQString(ABOUT_MENU_TEXT));
    connect(about, &QAction::triggered, this, [this] { systemCommand(ABOUT_COMMAND); });
    return menu;
}

void MainDialog::done(int result) {
    proxyTable_.destroyWindow();
    QDialog::done(result);
}

}  // namespace lintor
